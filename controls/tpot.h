#pragma once
// The transpose knob: -12..+12 semitones over the whole strip.
#include "controls/zpot.h"

class tpot : public zpot
{
public:
    explicit tpot (const PlaceRow* row);
    ~tpot() override;

    void paint (juce::Graphics& g) override;
    double getValueFromText (const juce::String& text) override;
    juce::String getTextFromValue (double value) override;

    JUCE_DECLARE_NON_COPYABLE (tpot)
};
