#include "controls/EmbeddedTypeface.h"

#include <algorithm>
#include <utility>
#include <vector>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H
#include FT_TRUETYPE_TAGS_H

struct EmbeddedTypeface::Face
{
    ~Face()
    {
        if (face != nullptr)
            FT_Done_Face (face);
        if (library != nullptr)
            FT_Done_FreeType (library);
    }

    // The glyph pairs of the font's kern table, sorted by left glyph; false when the table is
    // not one this reads, and every character then has to be asked about.
    bool readKernPairs()
    {
        FT_ULong length = 0;
        if (FT_Load_Sfnt_Table (face, TTAG_kern, 0, nullptr, &length) != 0 || length < 4)
            return false;
        std::vector<FT_Byte> table (length);
        if (FT_Load_Sfnt_Table (face, TTAG_kern, 0, table.data(), &length) != 0)
            return false;
        auto u16 = [&] (size_t at) { return at + 2 <= table.size() ? (unsigned) (table[at] << 8 | table[at + 1]) : 0u; };
        if (u16 (0) != 0)
            return false;
        const unsigned subtables = u16 (2);
        size_t at = 4;
        for (unsigned t = 0; t < subtables && at + 14 <= table.size(); ++t)
        {
            const unsigned format = u16 (at + 4) >> 8;
            const size_t pairs = u16 (at + 6);
            if (format != 0)
                return false;
            const size_t first = at + 14;
            for (size_t i = 0; i < pairs && first + 6 * i + 6 <= table.size(); ++i)
                kernPairs.emplace_back (u16 (first + 6 * i), u16 (first + 6 * i + 2));
            at = first + 6 * pairs;
        }
        std::sort (kernPairs.begin(), kernPairs.end());
        kernPairs.erase (std::unique (kernPairs.begin(), kernPairs.end()), kernPairs.end());
        return true;
    }

    // Every character the charmap maps, by glyph.
    const std::vector<std::pair<FT_UInt, FT_ULong>>& charactersByGlyph()
    {
        if (glyphCharacters.empty())
        {
            FT_UInt glyph = 0;
            for (FT_ULong c = FT_Get_First_Char (face, &glyph); glyph != 0; c = FT_Get_Next_Char (face, c, &glyph))
                glyphCharacters.emplace_back (glyph, c);
            std::sort (glyphCharacters.begin(), glyphCharacters.end());
        }
        return glyphCharacters;
    }

    FT_Library library = nullptr;
    FT_Face face = nullptr;
    bool kernTableRead = false;
    std::vector<std::pair<FT_UInt, FT_UInt>> kernPairs;
    std::vector<std::pair<FT_UInt, FT_ULong>> glyphCharacters;
};

namespace
{
// The outline in em units turned into a path of height 1 from ascender to descender, y down.
bool outlineToPath (const FT_Outline& outline, float scaleX, juce::Path& path)
{
    const float scaleY = -scaleX;
    const auto at = [&] (int p) { return juce::Point<float> (scaleX * (float) outline.points[p].x, scaleY * (float) outline.points[p].y); };
    const auto tag = [&] (int p) { return FT_CURVE_TAG (outline.tags[p]); };

    for (int c = 0; c < outline.n_contours; ++c)
    {
        const int start = c == 0 ? 0 : outline.contours[c - 1] + 1;
        const int end = outline.contours[c];

        for (int p = start; p <= end; ++p)
        {
            const auto here = at (p);
            if (p == start)
            {
                // A contour that starts off the curve starts where its last stretch ends.
                if (tag (p) == FT_CURVE_TAG_CONIC)
                {
                    auto from = at (end);
                    if (tag (end) != FT_CURVE_TAG_ON)
                        from = { (here.x + from.x) * 0.5f, (here.y + from.y) * 0.5f };
                    path.startNewSubPath (from);
                }
                else
                    path.startNewSubPath (here);
            }

            if (tag (p) == FT_CURVE_TAG_ON)
            {
                if (p != start)
                    path.lineTo (here);
            }
            else if (tag (p) == FT_CURVE_TAG_CONIC)
            {
                const int next = p == end ? start : p + 1;
                auto to = at (next);
                if (tag (next) == FT_CURVE_TAG_CONIC)
                    to = { (here.x + to.x) * 0.5f, (here.y + to.y) * 0.5f };
                else
                    ++p;
                path.quadraticTo (here, to);
            }
            else if (tag (p) == FT_CURVE_TAG_CUBIC)
            {
                const int next1 = p + 1;
                const int next2 = p == end - 1 ? start : p + 2;
                if (p >= end || tag (next1) != FT_CURVE_TAG_CUBIC || tag (next2) != FT_CURVE_TAG_ON)
                    return false;
                path.cubicTo (here, at (next1), at (next2));
                p += 2;
            }
        }
        path.closeSubPath();
    }
    return true;
}
}

juce::Typeface::Ptr EmbeddedTypeface::create (const void* data, size_t size)
{
    auto face = std::make_unique<Face>();
    if (FT_Init_FreeType (&face->library) != 0)
    {
        face->library = nullptr;
        return nullptr;
    }
    if (FT_New_Memory_Face (face->library, static_cast<const FT_Byte*> (data), (FT_Long) size, 0, &face->face) != 0)
    {
        face->face = nullptr;
        return nullptr;
    }
    if (FT_Select_Charmap (face->face, FT_ENCODING_UNICODE) != 0 && face->face->num_charmaps > 0)
        FT_Set_Charmap (face->face, face->face->charmaps[0]);
    return juce::Typeface::Ptr (new EmbeddedTypeface (std::move (face)));
}

EmbeddedTypeface::EmbeddedTypeface (std::unique_ptr<Face> f) : face (std::move (f))
{
    const FT_Face ft = face->face;
    setCharacteristics (ft->family_name, ft->style_name,
                        (float) ft->ascender / (float) (ft->ascender - ft->descender), L' ');
}

EmbeddedTypeface::~EmbeddedTypeface() = default;

bool EmbeddedTypeface::loadGlyphIfPossible (juce::juce_wchar character)
{
    const FT_Face ft = face->face;
    // A character the face lacks gets its "missing" glyph, as from a font file.
    const FT_UInt glyph = FT_Get_Char_Index (ft, (FT_ULong) character);
    if (FT_Load_Glyph (ft, glyph, FT_LOAD_NO_SCALE | FT_LOAD_NO_BITMAP | FT_LOAD_IGNORE_TRANSFORM | FT_LOAD_NO_HINTING) != 0
        || ft->glyph->format != FT_GLYPH_FORMAT_OUTLINE)
        return false;

    const float scale = 1.0f / (float) (ft->ascender - ft->descender);
    juce::Path shape;
    if (! outlineToPath (ft->glyph->outline, scale, shape))
        return false;
    addGlyph (character, shape, (float) ft->glyph->metrics.horiAdvance * scale);
    if (FT_HAS_KERNING (ft))
        addKerningOf (character, glyph);
    return true;
}

// Kerning of the character with every character that may follow it. Only the pairs that the kern
// table lists can kern, so those are the ones asked about: asking FreeType about every character
// of the face, for every glyph loaded, was most of the time that text took to appear.
void EmbeddedTypeface::addKerningOf (juce::juce_wchar character, unsigned int glyph)
{
    const FT_Face ft = face->face;
    const float height = (float) (ft->ascender - ft->descender);
    const auto kern = [&] (FT_UInt right, FT_ULong rightCharacter)
    {
        FT_Vector kerning {};
        if (FT_Get_Kerning (ft, glyph, right, FT_KERNING_UNSCALED, &kerning) == 0 && kerning.x != 0)
            addKerningPair (character, (juce::juce_wchar) rightCharacter, (float) kerning.x / height);
    };

    if (! face->kernTableRead)
    {
        face->kernTableRead = true;
        if (! face->readKernPairs())
            face->kernPairs.clear();
    }
    const auto& byGlyph = face->charactersByGlyph();
    if (face->kernPairs.empty())
    {
        for (const auto& [right, c] : byGlyph)
            kern (right, c);
        return;
    }
    auto pair = std::lower_bound (face->kernPairs.begin(), face->kernPairs.end(), std::make_pair ((FT_UInt) glyph, (FT_UInt) 0));
    for (; pair != face->kernPairs.end() && pair->first == glyph; ++pair)
    {
        auto c = std::lower_bound (byGlyph.begin(), byGlyph.end(), std::make_pair (pair->second, (FT_ULong) 0));
        for (; c != byGlyph.end() && c->first == pair->second; ++c)
            kern (c->first, c->second);
    }
}
