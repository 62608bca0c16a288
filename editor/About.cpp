#include "editor/About.h"
#include "controls/Images.h"

const char* const aboutLines[3] = {
    "K-Editor",
    "Editor and librarian for the Kestrane",
    "Version 1.0.3",
};

About::About()
{
    setBounds (0, 0, 1024, 768);
}

void About::mouseDown (const juce::MouseEvent&)
{
    // The owner keeps the object and notices the removal in its childrenChanged.
    if (auto* parent = getParentComponent())
        parent->removeChildComponent (this);
}

void About::paint (juce::Graphics& g)
{
    g.fillAll (juce::Colour (0xE0302000u));
    // The double-resolution display gets a smaller face so the lines keep their width.
    g.setFont (juce::Font ("LCD", uiScale < 2 ? 30.0f : 25.0f, juce::Font::plain));
    g.setColour (juce::Colour (0xFFEFD531u));
    for (int i = 0; i < 3; ++i)
        g.drawText (aboutLines[i], 100, 200 + 40 * i, 900, 25, juce::Justification::centredLeft, true);
}
