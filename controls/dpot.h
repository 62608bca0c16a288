#pragma once
// The master-tune knob: 0..127 shown and typed as the pitch of A in Hz ("440,0" at 64).
#include "controls/zpot.h"

class dpot : public zpot
{
public:
    explicit dpot (const PlaceRow* row);
    ~dpot() override;

    double getValueFromText (const juce::String& text) override;
    juce::String getTextFromValue (double value) override;

    JUCE_DECLARE_NON_COPYABLE (dpot)
};
