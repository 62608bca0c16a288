// The compiled-in faces against JUCE's own FreeType typeface made from the same font data: the
// program's text must keep every glyph shape, advance and kerning it had when JUCE read the faces
// from the system's font files.
#include <gtest/gtest.h>
#include <juce_gui_basics/juce_gui_basics.h>
#include "controls/EmbeddedTypeface.h"
#include "resources/fonts/LcdFont.h"
#include "resources/fonts/PlainFont.h"

namespace
{
struct FaceCase
{
    const char* what;
    const unsigned char* data;
    const int* size;
};

void PrintTo (const FaceCase& c, std::ostream* os) { *os << c.what; }

const FaceCase faces[] = {
    { "DejaVu Sans", plainFontData, &plainFontSize },
    { "DejaVu Sans Bold", boldFontData, &boldFontSize },
    { "LCD display face", lcdFontData, &lcdFontSize },
};

// Pairs that DejaVu kerns (AV, To, LT, Wa, y.), accented and Greek letters, digits and
// punctuation, and a character the faces lack (CJK), which gets the face's "missing" glyph.
const char32_t* const texts[] = {
    U"AVATAR Tomorrow WAVE LT Yo y. P1 A7 C7",
    U"Lib 00042 - Grand Piano (Layer) 440,0 Hz",
    U"\u00c4 \u00e9 \u00df \u00f1 \u03a9 \u0416 \u00bd \u2026",
    U"\u4e00 x",
};

juce::String text (const char32_t* t)
{
    return juce::String (juce::CharPointer_UTF32 (reinterpret_cast<const juce::juce_wchar*> (t)));
}

juce::MemoryBlock outlineBytes (juce::Typeface& face, int glyph)
{
    juce::Path path;
    face.getOutlineForGlyph (glyph, path);
    juce::MemoryOutputStream out;
    path.writePathToStream (out);
    return out.getMemoryBlock();
}

struct EmbeddedTypefaceTest : ::testing::TestWithParam<FaceCase>
{
    void SetUp() override
    {
        const auto& c = GetParam();
        embedded = EmbeddedTypeface::create (c.data, (size_t) *c.size);
        reference = juce::Typeface::createSystemTypefaceFor (c.data, (size_t) *c.size);
        ASSERT_NE (embedded, nullptr);
        ASSERT_NE (reference, nullptr);
    }

    juce::Typeface::Ptr embedded, reference;
};
}

TEST_P (EmbeddedTypefaceTest, MeasuresAndShapesTextAsJuceReadsTheSameFile)
{
    EXPECT_EQ (embedded->getName(), reference->getName());
    EXPECT_EQ (embedded->getStyle(), reference->getStyle());
    EXPECT_EQ (embedded->getAscent(), reference->getAscent());
    EXPECT_EQ (embedded->getDescent(), reference->getDescent());

    for (const auto* t : texts)
    {
        const juce::String s = text (t);
        EXPECT_EQ (embedded->getStringWidth (s), reference->getStringWidth (s)) << s;
        juce::Array<int> glyphs, referenceGlyphs;
        juce::Array<float> offsets, referenceOffsets;
        embedded->getGlyphPositions (s, glyphs, offsets);
        reference->getGlyphPositions (s, referenceGlyphs, referenceOffsets);
        EXPECT_EQ (glyphs, referenceGlyphs) << s;
        EXPECT_EQ (offsets, referenceOffsets) << s;
        for (int g : referenceGlyphs)
            EXPECT_EQ (outlineBytes (*embedded, g), outlineBytes (*reference, g)) << s << ", glyph " << g;
    }
}

INSTANTIATE_TEST_SUITE_P (Faces, EmbeddedTypefaceTest, ::testing::ValuesIn (faces),
                          [] (const auto& info) { return juce::String (info.param.what).removeCharacters (" ").toStdString(); });

// The texts above reach the kerning: DejaVu Sans sets "AV" and "To" closer than their letters.
TEST (EmbeddedTypeface, DejaVuKernsTheTestedPairs)
{
    const auto face = EmbeddedTypeface::create (plainFontData, (size_t) plainFontSize);
    ASSERT_NE (face, nullptr);
    for (const char* pair : { "AV", "To", "LT" })
    {
        const juce::String p (pair);
        EXPECT_LT (face->getStringWidth (p), face->getStringWidth (p.substring (0, 1)) + face->getStringWidth (p.substring (1)) - 0.01f) << pair;
    }
}

TEST (EmbeddedTypeface, DataThatIsNoFontGivesNoTypeface)
{
    const unsigned char notAFont[64] = { 'n', 'o', 't', ' ', 'a', ' ', 'f', 'o', 'n', 't' };
    EXPECT_EQ (EmbeddedTypeface::create (notAFont, sizeof (notAFont)), nullptr);
}
