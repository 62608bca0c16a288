#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

// Input filter of the rename field: a sound name travels to the instrument as printable 7-bit
// characters.
class flt : public juce::TextEditor::InputFilter
{
public:
    juce::String filterNewText (juce::TextEditor&, const juce::String& newInput) override;

    // Whether a byte of a name's UTF-8 text may stay in the name.
    static bool keeps (unsigned char c) { return c >= 0x20 && c < 0x7F; }
};
