#include "library/flt.h"

juce::String flt::filterNewText (juce::TextEditor&, const juce::String& newInput)
{
    // Names travel as printable 7-bit characters; dropping every byte of a multi-byte character
    // removes that character whole, and control characters (DEL too) never get into a name.
    const char* in = newInput.toRawUTF8();
    char kept[31];
    int n = 0;

    for (int i = 0; i < 30 && in[i] != 0; ++i)
    {
        if (keeps (static_cast<unsigned char> (in[i])))
            kept[n++] = in[i];
    }

    return juce::String (kept, static_cast<size_t> (n));
}
