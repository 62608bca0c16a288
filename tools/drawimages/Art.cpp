#include "Art.h"

namespace art
{
static juce::Typeface::Ptr face;

void setTypeface (juce::Typeface::Ptr f) { face = f; }

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

float captionWidth (const juce::String& s, float height)
{
    return lcd (height).getStringWidthFloat (cells (s));
}

static void drawCaption (juce::Graphics& g, const juce::String& s, float x, float top, float height,
                         juce::Colour colour, float squeeze)
{
    juce::GlyphArrangement glyphs;
    glyphs.addLineOfText (lcd (height), cells (s), 0.0f, 0.0f);
    const auto bounds = glyphs.getBoundingBox (0, -1, true);
    juce::Path p;
    glyphs.createPath (p);
    // Place the glyphs' ink, not the font's line box, at the requested top.
    const auto t = juce::AffineTransform::translation (-bounds.getX(), -bounds.getY())
                       .scaled (squeeze, 1.0f)
                       .translated (x, top);
    g.setColour (colour);
    g.fillPath (p, t);
}

void caption (juce::Graphics& g, const juce::String& s, float centreX, float top, float height,
              juce::Colour colour, float maxWidth)
{
    const float w = captionWidth (s, height);
    const float squeeze = w > maxWidth ? maxWidth / w : 1.0f;
    drawCaption (g, s, centreX - w * squeeze * 0.5f, top, height, colour, squeeze);
}

void captionLeft (juce::Graphics& g, const juce::String& s, float x, float top, float height,
                  juce::Colour colour)
{
    drawCaption (g, s, x, top, height, colour, 1.0f);
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

void section (juce::Graphics& g, juce::Rectangle<float> r, const juce::String& title)
{
    g.setColour (panelDark.withAlpha (0.55f));
    g.fillRoundedRectangle (r, 6.0f);
    const float h = 9.0f;
    const auto tab = juce::Rectangle<float> (r.getX() + 12.0f, r.getY() - 6.0f, captionWidth (title, h) + 12.0f, 12.0f);
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
        captionLeft (g, title, tab.getX() + 6.0f, tab.getY() + 1.5f, h, accent);
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
