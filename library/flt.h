#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

// Input filter of the rename field: a sound name travels to the instrument as 7-bit characters.
class flt : public juce::TextEditor::InputFilter
{
public:
    juce::String filterNewText (juce::TextEditor&, const juce::String& newInput) override;
};
