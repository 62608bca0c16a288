#pragma once
// The FM engine page: six operators of seven parameters, one bar each.
#include <cstdint>
#include <juce_gui_basics/juce_gui_basics.h>
#include "editor/EditPanel.h"

class FmSlider;

// The CC of each bar, operator by operator. In each pair the modulator's "Decay 1" and the
// carrier's "Decay rate 2" share one CC (54, 79, 110), as the instrument has it.
extern const uint8_t fmCcNumbers[42];
extern const char* const fmOperatorNames[6];
extern const char* const fmParameterNames[7];

class FmPanel : public juce::Component,
                public juce::Slider::Listener
{
public:
    FmPanel();
    ~FmPanel() override;

    void setSound (SoundRecord* record);

    void sliderValueChanged (juce::Slider* slider) override;
    void paint (juce::Graphics& g) override;

    static constexpr int numOperators = 6;
    static constexpr int numParameters = 7;
    static constexpr int numBars = numOperators * numParameters;

    FmSlider* bars[numBars] = {};
    PageSound sound;
    // The value each bar last sent or was loaded with: a bar whose value is already this sends
    // nothing, which keeps loading silent without swallowing the user's own moves.
    uint8_t lastSent[numBars] = {};
    juce::Image background;

    JUCE_DECLARE_NON_COPYABLE (FmPanel)
};
