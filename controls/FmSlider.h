#pragma once
// A bar of the FM page; the page configures range, style and colours.
#include <juce_gui_basics/juce_gui_basics.h>

class FmSlider : public juce::Slider
{
public:
    FmSlider();
    ~FmSlider() override;

    int index = 0;  // the bar's number, set by the page

    JUCE_DECLARE_NON_COPYABLE (FmSlider)
};
