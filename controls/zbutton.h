#pragma once
// A button drawn as one frame of a film strip: 4-frame strips follow the toggle state, 3-frame
// strips the mouse. Toggling, groups and commands are the creator's business.
#include <juce_gui_basics/juce_gui_basics.h>
#include "controls/PlaceTable.h"

class zbutton : public juce::Button
{
public:
    // Named after the row, skinned by its strip, placed at its bounds.
    explicit zbutton (const PlaceRow* row);
    ~zbutton() override;

    void paintButton (juce::Graphics& g, bool isMouseOverButton, bool isButtonDown) override;

    juce::Image image;
    int index = 0;               // the creator's number for this button (its slice index)
    const PlaceRow* row;

    JUCE_DECLARE_NON_COPYABLE (zbutton)
};
