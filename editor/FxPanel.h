#pragma once
// The effects page, for a sound of any engine: twenty knobs and eleven switches. Seven of the
// switches enable effects; they share one mask that the instrument takes as CC 30 = 0, CC 31 = mask.
#include <cstdint>
#include <juce_gui_basics/juce_gui_basics.h>
#include "editor/EditPanel.h"

class zbutton;

extern const uint8_t fxKnobCcs[20];
extern const uint32_t fxKnobColours[20];
// Per switch {CC, bit}: bit 0 = a plain switch sending 0/1 on its CC, else its bit in the mask.
extern const uint8_t fxButtonCcBits[11][2];

class FxPanel : public juce::Component,
                public juce::Slider::Listener,
                public juce::Button::Listener
{
public:
    FxPanel();
    ~FxPanel() override;

    // fromInstrument: the sound's values came from the instrument (its CCs or its dump), so
    // loading them sends nothing back.
    void setSound (SoundRecord* record, bool fromInstrument = false);

    void sliderValueChanged (juce::Slider* slider) override;
    void buttonClicked (juce::Button* button) override;
    void paint (juce::Graphics& g) override;

    static constexpr int numKnobs = 20;
    static constexpr int numButtons = 11;
    static constexpr int echoReverbButton = 5;   // the rbutton
    static constexpr int maskResetCc = 30;
    static constexpr int maskCc = 31;
    static constexpr uint32_t bipolarColour = 0xFF575757;

    zpot* knobs[numKnobs] = {};
    zbutton* buttons[numButtons] = {};
    PageSound sound;
    bool loaded = false;
    juce::Image background;

    JUCE_DECLARE_NON_COPYABLE (FxPanel)
};
