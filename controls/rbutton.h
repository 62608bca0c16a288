#pragma once
// The effects page's Echo/Reverb selector: a switch strip with the two captions above it, the
// lit caption showing which of the two is chosen (on = Echo).
#include "controls/zbutton.h"

class rbutton : public zbutton
{
public:
    // Takes its strip from the row but sits at (100, 344, 95, 74) whatever the row says.
    explicit rbutton (const PlaceRow* row);
    ~rbutton() override;

    void paintButton (juce::Graphics& g, bool isMouseOverButton, bool isButtonDown) override;

    juce::Image strip;
    juce::Image echoLabel;    // "Echo.png": dim row above, lit row below
    juce::Image reverbLabel;  // "Reverb.png", the same layout
    const PlaceRow* row;

    JUCE_DECLARE_NON_COPYABLE (rbutton)
};
