#pragma once
// Reading what a user typed into a value box. Text is never refused: a leading number is taken
// (whitespace, an optional sign, digits) and whatever follows it is ignored.
#include <juce_core/juce_core.h>

// The leading integer of the text, 0 when there is none. Saturates instead of wrapping, so that
// a long run of digits still reads as a large number of its sign.
int typedInt (const juce::String& text);

// Truncation toward zero that is defined for every double: NaN gives 0, values beyond the int
// range give its ends.
int truncToInt (double value);
