#pragma once
// The content page's layer-mix slider: 0 is "OFF", 64 the centre "0". Draws its handle, the two
// layers' names and an engine box beside each.
#include <juce_gui_basics/juce_gui_basics.h>
#include <cstdint>

class zlayerslider : public juce::Slider
{
public:
    zlayerslider();
    ~zlayerslider() override;

    void paint (juce::Graphics& g) override;
    double getValueFromText (const juce::String& text) override;
    juce::String getTextFromValue (double value) override;

    // Written by the content page for each sound it shows.
    juce::String leftCaption;
    juce::String rightCaption;
    uint8_t leftEngine = 0;
    uint8_t rightEngine = 0;
    juce::Image handleImage;

    JUCE_DECLARE_NON_COPYABLE (zlayerslider)
};

// A 16 x 16 box with the engine's letter (M, S, F; engine & 3) in the current font; the sound
// lists draw it too.
void drawEngineBox (juce::Graphics& g, int x, int y, int engine);
