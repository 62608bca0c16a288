#include "controls/tpot.h"
#include "controls/TypedNumber.h"

tpot::tpot (const PlaceRow* r) : zpot (r)
{
    setRange (-12.0, 12.0, 1.0);
}

tpot::~tpot() = default;

juce::String tpot::getTextFromValue (double value)
{
    if (value == 0.0)
        return "0";
    return juce::String::formatted ("%+d", truncToInt (value));
}

double tpot::getValueFromText (const juce::String& text)
{
    return (double) juce::jlimit (-12, 12, typedInt (text));
}

void tpot::paint (juce::Graphics& g)
{
    if (! image.isValid())
        return;
    // 25 semitone steps spread over the 129 frames.
    const int n = juce::jlimit (0, 24, truncToInt (getValue() + 12.0));
    const int frame = juce::jmin (128, (int) ((double) n * (double) 5.3333335f));
    drawFrame (g, frame);
}
