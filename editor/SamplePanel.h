#pragma once
// The Sample engine page: which of the instrument's ten samples the sound plays (CC 70).
#include <juce_gui_basics/juce_gui_basics.h>
#include "editor/EditPanel.h"

class SamplePanel : public juce::Component,
                    public juce::ComboBox::Listener
{
public:
    SamplePanel();
    ~SamplePanel() override;

    // fromInstrument: the sound's values came from the instrument (its CCs or its dump), so
    // loading them sends nothing back.
    void setSound (SoundRecord* record, bool fromInstrument = false);

    void comboBoxChanged (juce::ComboBox* box) override;
    void paint (juce::Graphics& g) override;

    static constexpr int sampleCc = 70;
    static constexpr int numSamples = 10;

    PageSound sound;
    juce::ComboBox samples { juce::String() };
    bool loaded = false;
    juce::Image background;

    JUCE_DECLARE_NON_COPYABLE (SamplePanel)
};
