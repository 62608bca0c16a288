#pragma once
// The instrument's global settings over the whole window: two knobs, three boxes and an invisible
// close spot. Every edit goes straight into the global block and arms its pending send; the main
// component's timer sends the block.
#include <juce_gui_basics/juce_gui_basics.h>
#include "controls/Ibtn.h"

class tpot;
class dpot;

class GlobalDialog : public juce::Component,
                     public juce::Slider::Listener,
                     public juce::ComboBox::Listener
{
public:
    // Sends the global request, waits 50 ms for the answer and loads the controls from the block.
    GlobalDialog();
    ~GlobalDialog() override;

    void updateFromGlobalBlock();

    void paint (juce::Graphics& g) override;
    void sliderValueChanged (juce::Slider* slider) override;
    void comboBoxChanged (juce::ComboBox* box) override;

    juce::ComboBox channelBox { juce::String() };  // block byte 7: "CH 01".."CH 16", "OMNI"
    juce::ComboBox pedalBox { juce::String() };    // byte 9: "auto", "closed", "open"
    juce::ComboBox levelBox { juce::String() };    // byte 10: "low", "line", "medium", "high"
    tpot* transposeKnob = nullptr;                 // byte 5, -12..12 around 64
    dpot* masterTuneKnob = nullptr;                // byte 6, 0..127
    juce::Image background;
    // The owner gives it command id 19 and its button listener each time it shows the dialog.
    Ibtn closeSpot { "invisible" };

    JUCE_DECLARE_NON_COPYABLE (GlobalDialog)
};
