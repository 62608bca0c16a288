#include "library/flt.h"

juce::String flt::filterNewText (juce::TextEditor&, const juce::String& newInput)
{
    // Names travel as 7-bit characters; dropping every byte of a multi-byte character removes
    // that character whole.
    const char* in = newInput.toRawUTF8();
    char kept[31];
    int n = 0;

    for (int i = 0; i < 30 && in[i] != 0; ++i)
        if ((static_cast<unsigned char> (in[i]) & 0x80) == 0)
            kept[n++] = in[i];

    return juce::String (kept, static_cast<size_t> (n));
}
