#pragma once
// Full-window overlay with three lines of text; a click anywhere takes it off its parent (the
// owner keeps the object and shows it again later).
#include <juce_gui_basics/juce_gui_basics.h>

extern const char* const aboutLines[3];

class About : public juce::Component
{
public:
    About();

    void mouseDown (const juce::MouseEvent&) override;
    void paint (juce::Graphics& g) override;

    JUCE_DECLARE_NON_COPYABLE (About)
};
