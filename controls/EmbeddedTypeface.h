#pragma once
// A typeface read from font data compiled into the program: FreeType reads the data where it lies,
// glyph by glyph as text needs them, so no font file or font folder is ever opened for it. Glyph
// shapes, advances and kerning come out as JUCE's own FreeType typeface makes them from a file.
#include <juce_graphics/juce_graphics.h>
#include <memory>

class EmbeddedTypeface : public juce::CustomTypeface
{
public:
    // Null when FreeType cannot read the data. The data must outlive the typeface.
    static juce::Typeface::Ptr create (const void* data, size_t size);
    ~EmbeddedTypeface() override;

protected:
    bool loadGlyphIfPossible (juce::juce_wchar character) override;

private:
    struct Face;
    explicit EmbeddedTypeface (std::unique_ptr<Face>);
    void addKerningOf (juce::juce_wchar character, unsigned int glyph);

    std::unique_ptr<Face> face;

    JUCE_DECLARE_NON_COPYABLE (EmbeddedTypeface)
};
