#include "controls/dpot.h"
#include <cmath>

dpot::dpot (const PlaceRow* r) : zpot (r) {}

dpot::~dpot() = default;

juce::String dpot::getTextFromValue (double value)
{
    // Pitch of A: a semitone spans 64 steps, so the range is about +-1.5 semitones around 440.
    const double hz = 440.0 * std::pow (2.0, (value - 64.0) / 768.0);
    return juce::String::formatted ("%1.1f", hz).replaceCharacter ('.', ',');
}

double dpot::getValueFromText (const juce::String& text)
{
    const double hz = text.getDoubleValue();
    if (! (hz > 0.0))
        return 0.0;  // zero, negative, no number, NaN
    const double n = std::log2 (hz * (double) 0.0022727272f) * 768.0 + 64.0;
    // Clamp before truncating: "inf" or 1e300 must not reach an int conversion.
    if (! (n > 0.0))
        return 0.0;
    if (n >= 127.0)
        return 127.0;
    return (double) (int) n;
}
