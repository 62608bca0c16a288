// The 129-frame knob strips: frame 0 at the minimum, frame 128 at the maximum, the pointer
// sweeping 270 degrees with a value arc around the cap.
#include "Painters.h"

namespace
{
enum class KnobStyle { dark, light, lightOrange, darkRight, stepped, fine, bipolar };

constexpr float sweep = juce::MathConstants<float>::pi * 1.5f;
constexpr float start = -juce::MathConstants<float>::pi * 0.75f;

juce::Point<float> polar (juce::Point<float> c, float r, float angle)
{
    return { c.x + r * std::sin (angle), c.y - r * std::cos (angle) };
}

void arc (juce::Graphics& g, juce::Point<float> c, float r, float from, float to, float thickness)
{
    if (std::abs (to - from) < 0.001f)
        return;
    juce::Path p;
    p.addCentredArc (c.x, c.y, r, r, 0.0f, from, to, true);
    g.strokePath (p, juce::PathStrokeType (thickness, juce::PathStrokeType::curved, juce::PathStrokeType::rounded));
}

void drawKnob (juce::Graphics& g, KnobStyle style, int frame)
{
    const juce::Point<float> c (41.5f, 44.0f);
    const float t = (float) frame / 128.0f;
    const float angle = start + sweep * t;
    const bool light = style == KnobStyle::light || style == KnobStyle::lightOrange;
    const float capRadius = style == KnobStyle::fine ? 23.0f : 25.0f;

    // Scale: the track of the value arc, and ticks outside it.
    g.setColour (juce::Colour (0xFF121212u));
    arc (g, c, 34.0f, start, start + sweep, 5.0f);
    const int ticks = style == KnobStyle::stepped ? 25 : (style == KnobStyle::fine ? 33 : 11);
    for (int i = 0; i < ticks; ++i)
    {
        const float a = start + sweep * (float) i / (float) (ticks - 1);
        const bool major = style == KnobStyle::stepped ? (i % 12 == 0) : (i == 0 || i == ticks - 1 || i == ticks / 2);
        g.setColour (major ? art::text : art::textDim.withAlpha (0.7f));
        g.drawLine (juce::Line<float> (polar (c, 38.5f, a), polar (c, major ? 41.0f : 40.0f, a)), major ? 1.2f : 0.8f);
    }

    // Value arc: from the minimum, or from the centre for a bipolar knob.
    juce::Colour arcColour = art::accent;
    if (style == KnobStyle::lightOrange) arcColour = juce::Colour (0xFFE8892Cu);
    if (style == KnobStyle::darkRight)   arcColour = juce::Colour (0xFFE0503Au);
    if (style == KnobStyle::fine)        arcColour = juce::Colour (0xFF7FC8D8u);
    g.setColour (arcColour);
    if (style == KnobStyle::bipolar)
        arc (g, c, 34.0f, 0.0f, angle, 3.5f);
    else
        arc (g, c, 34.0f, start, angle, 3.5f);

    // Shadow and body.
    g.setColour (juce::Colours::black.withAlpha (0.45f));
    g.fillEllipse (c.x - capRadius - 1.0f, c.y - capRadius + 2.0f, capRadius * 2.0f + 2.0f, capRadius * 2.0f + 2.0f);
    const juce::Colour bodyTop = light ? juce::Colour (0xFFE6E3D8u) : juce::Colour (0xFF4A4A48u);
    const juce::Colour bodyBottom = light ? juce::Colour (0xFF9E9B91u) : juce::Colour (0xFF1C1C1Cu);
    g.setGradientFill (juce::ColourGradient (bodyTop, c.x, c.y - capRadius, bodyBottom, c.x, c.y + capRadius, false));
    g.fillEllipse (c.x - capRadius, c.y - capRadius, capRadius * 2.0f, capRadius * 2.0f);

    // Knurled skirt that turns with the knob.
    const int grooves = style == KnobStyle::fine ? 36 : 24;
    g.setColour ((light ? juce::Colours::black : juce::Colours::white).withAlpha (0.10f));
    for (int i = 0; i < grooves; ++i)
    {
        const float a = angle + juce::MathConstants<float>::twoPi * (float) i / (float) grooves;
        g.drawLine (juce::Line<float> (polar (c, capRadius - 3.5f, a), polar (c, capRadius - 0.5f, a)), 1.0f);
    }

    // Top face.
    const float faceRadius = capRadius - 5.0f;
    const juce::Colour faceTop = light ? juce::Colour (0xFFF2EFE6u) : juce::Colour (0xFF3A3A39u);
    const juce::Colour faceBottom = light ? juce::Colour (0xFFC4C1B6u) : juce::Colour (0xFF262626u);
    g.setGradientFill (juce::ColourGradient (faceTop, c.x - faceRadius, c.y - faceRadius, faceBottom,
                                             c.x + faceRadius, c.y + faceRadius, false));
    g.fillEllipse (c.x - faceRadius, c.y - faceRadius, faceRadius * 2.0f, faceRadius * 2.0f);
    g.setColour (juce::Colours::white.withAlpha (light ? 0.5f : 0.12f));
    g.drawEllipse (c.x - faceRadius, c.y - faceRadius, faceRadius * 2.0f, faceRadius * 2.0f, 0.8f);

    if (style == KnobStyle::stepped)
    {
        // A bar across the face, as on a detented selector.
        juce::Path bar;
        bar.addRoundedRectangle (-3.0f, -capRadius + 2.0f, 6.0f, capRadius * 2.0f - 4.0f, 2.5f);
        g.setColour (juce::Colour (0xFF151515u));
        g.fillPath (bar, juce::AffineTransform::rotation (angle).translated (c));
    }
    if (style == KnobStyle::fine)
    {
        g.setColour (juce::Colour (0xFF6B6B69u));
        g.drawEllipse (c.x - 6.0f, c.y - 6.0f, 12.0f, 12.0f, 1.0f);
    }

    // Pointer.
    juce::Colour pointer = light ? juce::Colour (0xFF1A1A1Au) : art::text;
    if (style == KnobStyle::darkRight) pointer = juce::Colour (0xFFE0503Au);
    if (style == KnobStyle::stepped)   pointer = art::accent;
    g.setColour (pointer);
    g.drawLine (juce::Line<float> (polar (c, faceRadius * 0.25f, angle), polar (c, capRadius - 2.0f, angle)), 2.6f);
    g.fillEllipse (juce::Rectangle<float> (3.6f, 3.6f).withCentre (polar (c, capRadius - 2.0f, angle)));
}

void strip (juce::Graphics& g, KnobStyle style)
{
    for (int f = 0; f < 129; ++f)
    {
        juce::Graphics::ScopedSaveState save (g);
        g.reduceClipRegion (0, f * 83, 83, 83);
        g.setOrigin (0, f * 83);
        drawKnob (g, style, f);
    }
}
}

void paintKnob1 (juce::Graphics& g)              { strip (g, KnobStyle::dark); }
void paintKnob1Invert (juce::Graphics& g)        { strip (g, KnobStyle::light); }
void paintKnob1InvertOrange (juce::Graphics& g)  { strip (g, KnobStyle::lightOrange); }
void paintKnob1InvertRot (juce::Graphics& g)     { strip (g, KnobStyle::darkRight); }
void paintKnob2 (juce::Graphics& g)              { strip (g, KnobStyle::stepped); }
void paintKnob3 (juce::Graphics& g)              { strip (g, KnobStyle::fine); }
void paintKnob3Bipolar (juce::Graphics& g)       { strip (g, KnobStyle::bipolar); }

void paintCorona (juce::Graphics& g)
{
    const juce::Point<float> c (41.5f, 41.5f);
    g.setGradientFill (juce::ColourGradient (juce::Colours::black.withAlpha (0.8f), c.x, c.y,
                                             juce::Colours::transparentBlack, c.x + 41.0f, c.y, true));
    g.fillEllipse (0.0f, 0.0f, 83.0f, 83.0f);
}
