#pragma once
// An invisible hot spot: a button that takes clicks over a part of a background image.
#include <juce_gui_basics/juce_gui_basics.h>

class Ibtn : public juce::Button
{
public:
    explicit Ibtn (const juce::String& buttonName);
    ~Ibtn() override;

    void paintButton (juce::Graphics& g, bool isMouseOverButton, bool isButtonDown) override;

    JUCE_DECLARE_NON_COPYABLE (Ibtn)
};
