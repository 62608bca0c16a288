#pragma once
// The engine selector: three image-drawn toggle buttons in one radio group, laid over the engine
// pages by the main component. Their command ids reach MainContentComponent::buttonClicked.
#include <juce_gui_basics/juce_gui_basics.h>

class zbutton;

class Algorithm : public juce::Component
{
public:
    Algorithm();
    ~Algorithm() override;

    // Place-table order: Model, FM, Sample (command ids 15, 17, 16; engine = id - 15).
    enum { modelButton = 0, fmButton = 1, sampleButton = 2 };
    zbutton* buttons[3] = { nullptr, nullptr, nullptr };

    JUCE_DECLARE_NON_COPYABLE (Algorithm)
};
