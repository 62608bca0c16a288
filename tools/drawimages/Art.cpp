#include "Art.h"
#include <ft2build.h>
#include FT_FREETYPE_H
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <vector>

namespace art
{
static juce::Typeface::Ptr face;
static int deviceScale = 1;

void setTypeface (juce::Typeface::Ptr f) { face = f; }
void setScale (int scale) { deviceScale = scale; }

juce::Font lcd (float height)
{
    juce::Font font (face);
    font.setHeight (height);
    return font;
}

// The face's own space is a narrow gap; "!" is its blank cell, as wide as a character.
static juce::String cells (const juce::String& s)
{
    return s.replaceCharacter (' ', '!');
}

float lcdCaptionWidth (const juce::String& s, float height)
{
    return lcd (height).getStringWidthFloat (cells (s));
}

static void drawCaption (juce::Graphics& g, const juce::String& s, float x, float top, float height,
                         juce::Colour colour)
{
    juce::GlyphArrangement glyphs;
    glyphs.addLineOfText (lcd (height), cells (s), 0.0f, 0.0f);
    const auto bounds = glyphs.getBoundingBox (0, -1, true);
    juce::Path p;
    glyphs.createPath (p);
    // Place the glyphs' ink, not the font's line box, at the requested top.
    const auto t = juce::AffineTransform::translation (-bounds.getX(), -bounds.getY())
                       .translated (x, top);
    g.setColour (colour);
    g.fillPath (p, t);
}

void lcdCaption (juce::Graphics& g, const juce::String& s, float centreX, float top, float height, juce::Colour colour)
{
    drawCaption (g, s, centreX - lcdCaptionWidth (s, height) * 0.5f, top, height, colour);
}

void lcdCaptionLeft (juce::Graphics& g, const juce::String& s, float x, float top, float height, juce::Colour colour)
{
    drawCaption (g, s, x, top, height, colour);
}

// The captions' sans face, drawn by FreeType with its hinting at the size each scale asks for, so
// that stems sit on whole pixels at scale 1 and scale 2 alike.
namespace
{
struct SansFace
{
    FT_Library library = nullptr;
    std::map<bool, FT_Face> faces;

    ~SansFace()
    {
        for (auto& f : faces)
            FT_Done_Face (f.second);
        if (library != nullptr)
            FT_Done_FreeType (library);
    }

    FT_Face get (bool bold)
    {
        if (library == nullptr && FT_Init_FreeType (&library) != 0)
            return nullptr;
        auto found = faces.find (bold);
        if (found != faces.end())
            return found->second;
        const char* file = bold ? KE_SANS_FONT_DIR "/DejaVuSansCondensed-Bold.ttf" : KE_SANS_FONT_DIR "/DejaVuSansCondensed.ttf";
        FT_Face f = nullptr;
        if (FT_New_Face (library, file, 0, &f) != 0)
        {
            std::fprintf (stderr, "cannot read %s\n", file);
            std::exit (1);
        }
        faces[bold] = f;
        return f;
    }
};

SansFace sansFace;

// A caption set at one pixel size: its coverage, the device pixels from its left edge to the
// first ink and from its top to the baseline.
struct SetText
{
    juce::Image coverage;
    int width = 0, baseline = 0;
};

// The pixel size (em) of a caption whose capitals are about `height` logical pixels tall.
int pixelSize (float height) { return juce::roundToInt (height * 1.25f * (float) deviceScale); }

// At these sizes the face's word space is two or three pixels and words run together; a space
// gets a tenth of the em more.
int advance (FT_Face f, juce::juce_wchar c)
{
    const int a = (int) (f->glyph->advance.x >> 6);
    return c == ' ' ? a + juce::jmax (1, (int) (f->size->metrics.x_ppem / 10)) : a;
}

int advanceWidth (FT_Face f, const juce::String& s)
{
    int w = 0;
    for (auto c : s)
        if (FT_Load_Char (f, (FT_ULong) c, FT_LOAD_DEFAULT | FT_LOAD_TARGET_NORMAL) == 0)
            w += advance (f, c);
    return w;
}

SetText setText (FT_Face f, const juce::String& s, int size)
{
    FT_Set_Pixel_Sizes (f, 0, (FT_UInt) size);
    SetText t;
    t.width = advanceWidth (f, s);
    const int ascent = (int) (f->size->metrics.ascender >> 6), descent = (int) (-f->size->metrics.descender >> 6);
    // The top of the capitals, so that the requested top is where a capital's ink starts.
    int capTop = ascent;
    if (FT_Load_Char (f, 'H', FT_LOAD_RENDER | FT_LOAD_TARGET_NORMAL) == 0)
        capTop = f->glyph->bitmap_top;
    t.baseline = capTop;
    const int height = capTop + descent + 1;
    t.coverage = juce::Image (juce::Image::SingleChannel, juce::jmax (1, t.width + 2), juce::jmax (1, height), true,
                              juce::SoftwareImageType());
    juce::Image::BitmapData out (t.coverage, juce::Image::BitmapData::writeOnly);
    int penX = 0;
    for (auto c : s)
    {
        if (FT_Load_Char (f, (FT_ULong) c, FT_LOAD_RENDER | FT_LOAD_TARGET_NORMAL) != 0)
            continue;
        const FT_Bitmap& bm = f->glyph->bitmap;
        const int left = penX + f->glyph->bitmap_left, top = t.baseline - f->glyph->bitmap_top;
        for (unsigned row = 0; row < bm.rows; ++row)
            for (unsigned col = 0; col < bm.width; ++col)
            {
                const int x = left + (int) col, y = top + (int) row;
                if (x < 0 || y < 0 || x >= out.width || y >= out.height)
                    continue;
                auto* p = out.getPixelPointer (x, y);
                *p = (juce::uint8) juce::jmin (255, *p + bm.buffer[row * bm.pitch + col]);
            }
        penX += advance (f, c);
    }
    return t;
}

// The largest size up to the asked one at which the caption fits maxWidth; a caption is made
// smaller rather than squeezed, which would smear its hinted stems.
SetText fitText (const juce::String& s, float height, float maxWidth, bool bold)
{
    FT_Face f = sansFace.get (bold);
    int size = pixelSize (height);
    const int minimum = juce::jmax (6 * deviceScale, size * 3 / 4);
    for (; size > minimum; --size)
    {
        FT_Set_Pixel_Sizes (f, 0, (FT_UInt) size);
        if ((float) advanceWidth (f, s) <= maxWidth * (float) deviceScale)
            break;
    }
    return setText (f, s, size);
}

void drawSet (juce::Graphics& g, const SetText& t, float left, float top, juce::Colour colour)
{
    // Whole device pixels, so the coverage lands as FreeType drew it.
    const float s = (float) deviceScale;
    const float x = std::round (left * s) / s, y = std::round (top * s) / s;
    g.setColour (colour);
    g.drawImageTransformed (t.coverage, juce::AffineTransform::scale (1.0f / s).translated (x, y), true);
}
}

float captionWidth (const juce::String& s, float height, bool bold)
{
    FT_Face f = sansFace.get (bold);
    FT_Set_Pixel_Sizes (f, 0, (FT_UInt) pixelSize (height));
    return (float) advanceWidth (f, s) / (float) deviceScale;
}

void caption (juce::Graphics& g, const juce::String& s, float centreX, float top, float height,
              juce::Colour colour, float maxWidth, bool bold)
{
    const auto t = fitText (s, height, maxWidth, bold);
    drawSet (g, t, centreX - (float) t.width / (float) deviceScale * 0.5f, top, colour);
}

void captionLeft (juce::Graphics& g, const juce::String& s, float x, float top, float height,
                  juce::Colour colour, bool bold)
{
    drawSet (g, fitText (s, height, 1.0e6f, bold), x, top, colour);
}

// Contrast ratio of two opaque colours from their relative luminance (sRGB).
static double luminance (juce::Colour c)
{
    auto channel = [] (juce::uint8 v)
    {
        const double x = v / 255.0;
        return x <= 0.04045 ? x / 12.92 : std::pow ((x + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel (c.getRed()) + 0.7152 * channel (c.getGreen()) + 0.0722 * channel (c.getBlue());
}

double contrast (juce::Colour a, juce::Colour b)
{
    const double la = luminance (a), lb = luminance (b);
    return (juce::jmax (la, lb) + 0.05) / (juce::jmin (la, lb) + 0.05);
}

std::vector<CaptionGround> captionGrounds()
{
    // The lightest the grain makes a panel, and a section's ground over it.
    const auto grain = [] (juce::Colour c) { return c.interpolatedWith (juce::Colours::white, 0.035f); };
    const juce::Colour sectionGround = panel.interpolatedWith (panelDark, 0.55f);
    const juce::Colour keyTop (0xFF575754u);
    return {
        { "text on panel", text, grain (panel) },
        { "dim text on panel", textDim, grain (panel) },
        { "accent on panel", accent, grain (panel) },
        { "text in a section", text, grain (sectionGround) },
        { "dim text in a section", textDim, grain (sectionGround) },
        { "accent in a section", accent, grain (sectionGround) },
        { "button label on a hovered key", text.brighter (0.2f), keyTop },
    };
}

void brushedPanel (juce::Graphics& g, juce::Rectangle<float> r)
{
    g.setColour (panel);
    g.fillRect (r);
    juce::Random rnd (1234);
    for (float y = r.getY(); y < r.getBottom(); y += 2.0f)
    {
        const float a = 0.015f + 0.02f * rnd.nextFloat();
        g.setColour (juce::Colours::white.withAlpha (a));
        g.fillRect (r.getX(), y, r.getWidth(), 0.5f);
    }
}

void section (juce::Graphics& g, juce::Rectangle<float> r, const juce::String& title, float titleCentre)
{
    g.setColour (panelDark.withAlpha (0.55f));
    g.fillRoundedRectangle (r, 6.0f);
    const float h = 9.0f;
    const float tabWidth = captionWidth (title, h, true) + 12.0f;
    const float tabX = titleCentre < 0.0f ? r.getX() + 12.0f : titleCentre - tabWidth * 0.5f;
    const auto tab = juce::Rectangle<float> (tabX, r.getY() - 6.0f, tabWidth, 12.0f);
    {
        // The frame breaks where the title sits in it.
        juce::Graphics::ScopedSaveState save (g);
        if (title.isNotEmpty())
            g.excludeClipRegion (tab.getSmallestIntegerContainer());
        g.setColour (line);
        g.drawRoundedRectangle (r.reduced (0.5f), 6.0f, 1.0f);
    }
    if (title.isNotEmpty())
    {
        g.setColour (accent);
        g.fillRect (tab.getX() + 1.0f, tab.getY() + 5.0f, 3.0f, 3.0f);
        captionLeft (g, title, tab.getX() + 6.0f, tab.getY() + 1.5f, h, accent, true);
    }
}

void lcdWindow (juce::Graphics& g, juce::Rectangle<float> r)
{
    g.setColour (juce::Colours::black.withAlpha (0.6f));
    g.fillRoundedRectangle (r.expanded (1.0f), 3.0f);
    g.setColour (lcdGlass);
    g.fillRoundedRectangle (r, 2.5f);
    g.setColour (juce::Colours::white.withAlpha (0.06f));
    g.drawRoundedRectangle (r.reduced (0.5f), 2.5f, 1.0f);
}

void well (juce::Graphics& g, juce::Rectangle<float> r, float corner)
{
    g.setColour (juce::Colour (0xFF111111u));
    g.fillRoundedRectangle (r, corner);
    g.setGradientFill (juce::ColourGradient (juce::Colours::black.withAlpha (0.5f), r.getX(), r.getY(),
                                             juce::Colours::transparentBlack, r.getX(), r.getY() + 6.0f, false));
    g.fillRoundedRectangle (r, corner);
    g.setColour (juce::Colours::white.withAlpha (0.07f));
    g.drawLine (r.getX() + corner, r.getBottom() - 0.5f, r.getRight() - corner, r.getBottom() - 0.5f, 1.0f);
}

void screws (juce::Graphics& g, juce::Rectangle<float> r)
{
    const float inset = 9.0f;
    const juce::Point<float> at[] = { { r.getX() + inset, r.getY() + inset }, { r.getRight() - inset, r.getY() + inset },
                                      { r.getX() + inset, r.getBottom() - inset }, { r.getRight() - inset, r.getBottom() - inset } };
    for (auto p : at)
    {
        g.setGradientFill (juce::ColourGradient (juce::Colour (0xFF5A5A58u), p.x - 3, p.y - 3,
                                                 juce::Colour (0xFF262626u), p.x + 3, p.y + 3, false));
        g.fillEllipse (p.x - 3.5f, p.y - 3.5f, 7.0f, 7.0f);
        g.setColour (juce::Colour (0xFF141414u));
        g.drawLine (p.x - 2.5f, p.y + 0.0f, p.x + 2.5f, p.y + 0.0f, 1.0f);
    }
}
}
