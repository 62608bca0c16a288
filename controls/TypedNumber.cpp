#include "controls/TypedNumber.h"
#include <cmath>
#include <limits>

int typedInt (const juce::String& text)
{
    constexpr long long limit = 1000000000;  // far beyond any range a control has
    auto p = text.getCharPointer().findEndOfWhitespace();
    bool negative = false;
    // A knob shows "+10": reading its own text back must give the same value.
    if (*p == '-' || *p == '+')
    {
        negative = (*p == '-');
        ++p;
    }
    long long v = 0;
    for (;;)
    {
        const auto c = *p;
        if (c < '0' || c > '9')
            break;
        if (v < limit)
            v = v * 10 + (c - '0');
        ++p;
    }
    if (v > limit)
        v = limit;
    return (int) (negative ? -v : v);
}

int truncToInt (double value)
{
    if (std::isnan (value))
        return 0;
    if (value >= (double) std::numeric_limits<int>::max())
        return std::numeric_limits<int>::max();
    if (value <= (double) std::numeric_limits<int>::min())
        return std::numeric_limits<int>::min();
    return (int) value;
}
