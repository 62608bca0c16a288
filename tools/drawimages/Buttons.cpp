// Switches, page buttons, labelled push buttons, captions and the small parts.
#include "Painters.h"

namespace
{
// A square key with an LED window; frames: unlit, unlit pressed, lit, lit pressed.
void drawSwitch (juce::Graphics& g, juce::Rectangle<float> area, bool lit, bool pressed)
{
    auto key = area.reduced (4.0f, 4.0f);
    const float sink = pressed ? 1.5f : 0.0f;
    g.setColour (juce::Colours::black.withAlpha (0.55f));
    g.fillRoundedRectangle (key.translated (0.0f, pressed ? 1.0f : 2.5f), 5.0f);
    key = key.translated (0.0f, sink).reduced (pressed ? 0.5f : 0.0f);

    const juce::Colour top = pressed ? juce::Colour (0xFF343433u) : juce::Colour (0xFF4C4C4Au);
    const juce::Colour bottom = pressed ? juce::Colour (0xFF232323u) : juce::Colour (0xFF262626u);
    g.setGradientFill (juce::ColourGradient (top, key.getX(), key.getY(), bottom, key.getX(), key.getBottom(), false));
    g.fillRoundedRectangle (key, 5.0f);
    g.setColour (juce::Colours::white.withAlpha (pressed ? 0.05f : 0.14f));
    g.drawRoundedRectangle (key.reduced (0.5f), 5.0f, 1.0f);

    // LED strip across the upper part of the key.
    auto led = juce::Rectangle<float> (key.getX() + 7.0f, key.getY() + 6.0f, key.getWidth() - 14.0f, 5.0f);
    if (lit)
    {
        g.setColour (art::accent.withAlpha (0.28f));
        g.fillRoundedRectangle (led.expanded (4.0f, 3.0f), 4.0f);
        g.setColour (pressed ? art::accent.darker (0.15f) : art::accent);
        g.fillRoundedRectangle (led, 2.0f);
        g.setColour (juce::Colours::white.withAlpha (0.6f));
        g.fillRoundedRectangle (led.reduced (2.0f, 1.5f).withHeight (1.2f), 0.6f);
    }
    else
    {
        g.setColour (juce::Colour (0xFF15140Du));
        g.fillRoundedRectangle (led, 2.0f);
        g.setColour (juce::Colour (0xFF3A3722u));
        g.drawRoundedRectangle (led, 2.0f, 0.8f);
    }
    // Grip lines on the lower part of the key.
    g.setColour (juce::Colours::black.withAlpha (0.35f));
    for (int i = 0; i < 3; ++i)
    {
        const float y = key.getBottom() - 10.0f + (float) i * 3.0f;
        g.drawLine (key.getX() + 9.0f, y, key.getRight() - 9.0f, y, 1.0f);
    }
}

void switchStrip (juce::Graphics& g, float w, float h)
{
    for (int f = 0; f < 4; ++f)
        drawSwitch (g, { 0.0f, (float) f * h, w, h }, f >= 2, (f & 1) != 0);
}

enum class Glyph { none, up, down, left, right };

// A wide labelled key; frames: normal, under the mouse, pressed.
void drawPush (juce::Graphics& g, float y0, int look, const juce::String& label, Glyph glyph)
{
    const bool hover = look == 1, pressed = look == 2;
    auto key = juce::Rectangle<float> (4.0f, y0 + 5.0f, 92.0f, 36.0f);
    g.setColour (juce::Colours::black.withAlpha (0.55f));
    g.fillRoundedRectangle (key.translated (0.0f, pressed ? 1.0f : 3.0f), 6.0f);
    if (pressed)
        key = key.translated (0.0f, 2.0f);

    const juce::Colour top = pressed ? juce::Colour (0xFF2E2E2Du) : (hover ? juce::Colour (0xFF575754u) : juce::Colour (0xFF474745u));
    const juce::Colour bottom = pressed ? juce::Colour (0xFF222222u) : juce::Colour (0xFF262626u);
    g.setGradientFill (juce::ColourGradient (top, key.getX(), key.getY(), bottom, key.getX(), key.getBottom(), false));
    g.fillRoundedRectangle (key, 6.0f);
    g.setColour (hover ? art::accent.withAlpha (0.8f) : juce::Colours::white.withAlpha (pressed ? 0.05f : 0.13f));
    g.drawRoundedRectangle (key.reduced (0.5f), 6.0f, hover ? 1.3f : 1.0f);

    const juce::Colour ink = pressed ? art::accent : (hover ? art::text.brighter (0.2f) : art::text);
    float textCentre = key.getCentreX();
    if (glyph != Glyph::none)
    {
        const juce::Point<float> c (key.getX() + 17.0f, key.getCentreY());
        juce::Path tri;
        tri.addTriangle (-6.0f, 4.0f, 6.0f, 4.0f, 0.0f, -5.0f);
        float rot = 0.0f;
        if (glyph == Glyph::down)  rot = juce::MathConstants<float>::pi;
        if (glyph == Glyph::right) rot = juce::MathConstants<float>::halfPi;
        if (glyph == Glyph::left)  rot = -juce::MathConstants<float>::halfPi;
        g.setColour (ink);
        g.fillPath (tri, juce::AffineTransform::rotation (rot).translated (c));
        textCentre += 9.0f;
    }
    art::caption (g, label, textCentre, key.getCentreY() - 5.0f, 10.0f, ink, glyph == Glyph::none ? 80.0f : 60.0f);
}

void pushStrip (juce::Graphics& g, const juce::String& label, Glyph glyph)
{
    for (int f = 0; f < 3; ++f)
        drawPush (g, (float) f * 48.0f, f, label, glyph);
}

// Two rows of 16: the caption dim above, lit below.
void captionStrip (juce::Graphics& g, const juce::String& s, float width)
{
    art::caption (g, s, width * 0.5f, 3.0f, 10.0f, art::textDim, width - 2.0f);
    g.setColour (art::accent.withAlpha (0.18f));
    g.fillRoundedRectangle (1.0f, 17.0f, width - 2.0f, 14.0f, 3.0f);
    art::caption (g, s, width * 0.5f, 19.0f, 10.0f, art::accent, width - 2.0f);
}
}

void paintButton1 (juce::Graphics& g) { switchStrip (g, 44.0f, 51.0f); }
void paintButton2 (juce::Graphics& g) { switchStrip (g, 50.0f, 42.0f); }

void paintButtonDown (juce::Graphics& g)    { pushStrip (g, "DOWN", Glyph::down); }
void paintButtonDumpSet (juce::Graphics& g) { pushStrip (g, "DUMP SET", Glyph::none); }
void paintButtonLeft (juce::Graphics& g)    { pushStrip (g, "LEFT", Glyph::left); }
void paintButtonLoadLib (juce::Graphics& g) { pushStrip (g, "LOAD LIB", Glyph::none); }
void paintButtonLoadSet (juce::Graphics& g) { pushStrip (g, "LOAD SET", Glyph::none); }
void paintButtonReqSet (juce::Graphics& g)  { pushStrip (g, "REQUEST", Glyph::none); }
void paintButtonRight (juce::Graphics& g)   { pushStrip (g, "RIGHT", Glyph::right); }
void paintButtonSaveLib (juce::Graphics& g) { pushStrip (g, "SAVE LIB", Glyph::none); }
void paintButtonSaveSet (juce::Graphics& g) { pushStrip (g, "SAVE SET", Glyph::none); }
void paintButtonUp (juce::Graphics& g)      { pushStrip (g, "UP", Glyph::up); }

void paintEcho (juce::Graphics& g)   { captionStrip (g, "ECHO", 34.0f); }
void paintReverb (juce::Graphics& g) { captionStrip (g, "REVERB", 46.0f); }

static void arrow (juce::Graphics& g, bool up)
{
    juce::Path p;
    if (up)
        p.addTriangle (2.0f, 7.0f, 15.0f, 7.0f, 8.5f, 1.0f);
    else
        p.addTriangle (2.0f, 1.0f, 15.0f, 1.0f, 8.5f, 7.0f);
    g.setColour (art::accent);
    g.fillPath (p);
}

void paintArrowDown (juce::Graphics& g) { arrow (g, false); }
void paintArrowUp (juce::Graphics& g)   { arrow (g, true); }

static void quad (juce::Graphics& g, juce::Colour fill, juce::Colour ink, const char* letter)
{
    g.setColour (fill);
    g.fillRect (0, 0, 16, 16);
    g.setColour (juce::Colour (0xFF806040u));
    g.drawRect (0, 0, 16, 16, 1);
    art::caption (g, letter, 8.0f, 4.0f, 8.0f, ink);
}

void paintQuad1 (juce::Graphics& g) { quad (g, juce::Colour (0xFF202020u), art::text, "M"); }
void paintQuad2 (juce::Graphics& g) { quad (g, juce::Colour (0xFFDFDFD0u), juce::Colour (0xFF202020u), "S"); }
void paintQuad3 (juce::Graphics& g) { quad (g, juce::Colour (0xFF604830u), art::text, "F"); }

void paintSlider (juce::Graphics& g)
{
    // The layer-mix handle: a fader cap seen from above, with a centre line.
    auto cap = juce::Rectangle<float> (4.0f, 3.0f, 45.0f, 24.0f);
    g.setColour (juce::Colours::black.withAlpha (0.5f));
    g.fillRoundedRectangle (cap.translated (0.0f, 2.0f), 4.0f);
    g.setGradientFill (juce::ColourGradient (juce::Colour (0xFF5A5A57u), 0.0f, cap.getY(),
                                             juce::Colour (0xFF262626u), 0.0f, cap.getBottom(), false));
    g.fillRoundedRectangle (cap, 4.0f);
    g.setColour (juce::Colours::white.withAlpha (0.15f));
    g.drawRoundedRectangle (cap.reduced (0.5f), 4.0f, 1.0f);
    g.setColour (juce::Colours::black.withAlpha (0.35f));
    for (int i = -2; i <= 2; ++i)
        if (i != 0)
            g.drawLine (26.5f + (float) i * 6.0f, 8.0f, 26.5f + (float) i * 6.0f, 22.0f, 1.0f);
    g.setColour (art::accent);
    g.fillRect (25.5f, 6.0f, 2.0f, 18.0f);
}

void paintSliderHandle (juce::Graphics& g)
{
    auto cap = juce::Rectangle<float> (1.5f, 2.0f, 14.0f, 36.0f);
    g.setGradientFill (juce::ColourGradient (juce::Colour (0xFF5A5A57u), cap.getX(), 0.0f,
                                             juce::Colour (0xFF262626u), cap.getRight(), 0.0f, false));
    g.fillRoundedRectangle (cap, 3.0f);
    g.setColour (art::accent);
    g.fillRect (2.5f, 19.0f, 12.0f, 2.0f);
}

void paintBarSelected (juce::Graphics& g)
{
    g.setGradientFill (juce::ColourGradient (art::accent.withAlpha (0.45f), 0.0f, 0.0f,
                                             art::accent.withAlpha (0.25f), 0.0f, 16.0f, false));
    g.fillRect (0.0f, 0.0f, 238.0f, 16.0f);
    g.setColour (art::accent);
    g.fillRect (0.0f, 0.0f, 3.0f, 16.0f);
}
