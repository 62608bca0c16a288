#pragma once
// Shared palette and drawing helpers of the image generator. Every painter draws in logical
// pixels; the caller has already scaled the context to 1 or 2.
#include <juce_graphics/juce_graphics.h>

namespace art
{
const juce::Colour panel (0xFF202020u);
const juce::Colour panelDark (0xFF171717u);
const juce::Colour panelLight (0xFF2B2B2Bu);
const juce::Colour line (0xFF3C3C3Au);
const juce::Colour accent (0xFFEFD531u);
const juce::Colour text (0xFFD9D6CCu);
const juce::Colour textDim (0xFF8C897Fu);
const juce::Colour lcdGlass (0xFF0E0E08u);
const juce::Colour lcdGhost (0xFF262410u);

void setTypeface (juce::Typeface::Ptr face);
juce::Font lcd (float height);

// A caption in the display face, squeezed horizontally if it would be wider than maxWidth.
void caption (juce::Graphics& g, const juce::String& s, float centreX, float top, float height,
              juce::Colour colour, float maxWidth = 1.0e6f);
void captionLeft (juce::Graphics& g, const juce::String& s, float x, float top, float height,
                  juce::Colour colour);
float captionWidth (const juce::String& s, float height);

// A flat panel with a faint grain of horizontal lines, so large areas are not dead flat.
void brushedPanel (juce::Graphics& g, juce::Rectangle<float> r);
// A framed section with its title set into the top edge.
void section (juce::Graphics& g, juce::Rectangle<float> r, const juce::String& title);
// A dark display window for a value box, with unlit segments behind it.
void lcdWindow (juce::Graphics& g, juce::Rectangle<float> r);
// A recessed well (lists, slider tracks, bar troughs).
void well (juce::Graphics& g, juce::Rectangle<float> r, float corner = 3.0f);
// Screws in the corners of a panel.
void screws (juce::Graphics& g, juce::Rectangle<float> r);
}
