#include "editor/Algorithm.h"
#include "controls/zbutton.h"
#include "controls/PlaceTable.h"

namespace
{
// The buttons stand Model, FM, Sample; the engine numbers run Model, Sample, FM.
const int engineCommandIds[3] = { 15, 17, 16 };
}

Algorithm::Algorithm()
{
    for (int i = 0; i < 3; ++i)
    {
        buttons[i] = new zbutton (placeEngineButtons.row (i));
        addAndMakeVisible (buttons[i]);
        buttons[i]->setRadioGroupId (2, juce::sendNotification);
        buttons[i]->setClickingTogglesState (true);
    }
    for (int i = 0; i < 3; ++i)
        buttons[i]->setCommandToTrigger (nullptr, engineCommandIds[i], false);

    setBounds (401, 708, 264, 51);
}

Algorithm::~Algorithm()
{
    for (auto*& b : buttons)
    {
        delete b;
        b = nullptr;
    }
}
