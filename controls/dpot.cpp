#include "controls/dpot.h"
#include <cmath>

dpot::dpot (const PlaceRow* r) : zpot (r)
{
    // The knob's constructor wrote the box as a plain knob's; the box shows Hz from the start.
    updateText();
}

dpot::~dpot() = default;

juce::String dpot::getTextFromValue (double value)
{
    // Pitch of A: a semitone spans 64 steps, so the range is about +-1.5 semitones around 440.
    const double hz = 440.0 * std::pow (2.0, (value - 64.0) / 768.0);
    return juce::String::formatted ("%1.1f", hz).replaceCharacter ('.', ',');
}

double dpot::getValueFromText (const juce::String& text)
{
    // The box shows a decimal comma; a point typed in its place means the same.
    const double hz = text.replaceCharacter (',', '.').getDoubleValue();
    if (! (hz > 0.0))
        return 0.0;  // zero, negative, no number, NaN
    // Rounded to the nearest step: a step is over 0.3 Hz wide and the shown text is off by at
    // most 0.05 Hz, so every text the box shows reads back as its own value.
    const double n = std::round (std::log2 (hz / 440.0) * 768.0 + 64.0);
    // Clamp before converting: "inf" or 1e300 must not reach an int conversion.
    if (! (n > 0.0))
        return 0.0;
    if (n >= 127.0)
        return 127.0;
    return n;
}
