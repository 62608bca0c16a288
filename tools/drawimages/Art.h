#pragma once
// Shared palette and drawing helpers of the image generator. Every painter draws in logical
// pixels; the caller has already scaled the context to 1 or 2.
#include <juce_graphics/juce_graphics.h>
#include <vector>

namespace art
{
const juce::Colour panel (0xFF202020u);
const juce::Colour panelDark (0xFF171717u);
const juce::Colour panelLight (0xFF2B2B2Bu);
const juce::Colour line (0xFF3C3C3Au);
const juce::Colour accent (0xFFEFD531u);
const juce::Colour text (0xFFD9D6CCu);
const juce::Colour textDim (0xFF969389u);  // the quietest that keeps 4.5:1 on the lightest panel
const juce::Colour lcdGlass (0xFF0E0E08u);
const juce::Colour lcdGhost (0xFF262410u);

void setTypeface (juce::Typeface::Ptr face);
// The device pixels per logical pixel of the image being drawn (1 or 2).
void setScale (int scale);
juce::Font lcd (float height);

// A caption in the sans face, its capitals about `height` tall with their top at `top`, set
// smaller if it would be wider than maxWidth.
void caption (juce::Graphics& g, const juce::String& s, float centreX, float top, float height,
              juce::Colour colour, float maxWidth = 1.0e6f, bool bold = false);
void captionLeft (juce::Graphics& g, const juce::String& s, float x, float top, float height,
                  juce::Colour colour, bool bold = false);
float captionWidth (const juce::String& s, float height, bool bold = false);

// Text in the display face (the title artwork), its ink's top at `top`.
void lcdCaption (juce::Graphics& g, const juce::String& s, float centreX, float top, float height, juce::Colour colour);
void lcdCaptionLeft (juce::Graphics& g, const juce::String& s, float x, float top, float height, juce::Colour colour);
float lcdCaptionWidth (const juce::String& s, float height);

// Contrast ratio (1 to 21) of two opaque colours.
double contrast (juce::Colour a, juce::Colour b);
// Each caption colour with the lightest ground it is drawn on; every pair must reach 4.5:1.
struct CaptionGround
{
    const char* what;
    juce::Colour ink, ground;
};
std::vector<CaptionGround> captionGrounds();

// A flat panel with a faint grain of horizontal lines, so large areas are not dead flat.
void brushedPanel (juce::Graphics& g, juce::Rectangle<float> r);
// A framed section with its title set into the top edge, near its left end or centred on titleCentre.
void section (juce::Graphics& g, juce::Rectangle<float> r, const juce::String& title, float titleCentre = -1.0f);
// A dark display window for a value box, with unlit segments behind it.
void lcdWindow (juce::Graphics& g, juce::Rectangle<float> r);
// A recessed well (lists, slider tracks, bar troughs).
void well (juce::Graphics& g, juce::Rectangle<float> r, float corner = 3.0f);
// Screws in the corners of a panel.
void screws (juce::Graphics& g, juce::Rectangle<float> r);
}
