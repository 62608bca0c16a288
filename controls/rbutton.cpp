#include "controls/rbutton.h"
#include "controls/Images.h"

rbutton::rbutton (const PlaceRow* r) : zbutton (r), row (r)
{
    strip = getImage (row->imageName);
    echoLabel = getImage ("Echo.png");
    reverbLabel = getImage ("Reverb.png");
    setBounds (100, 344, 95, 74);
}

rbutton::~rbutton() = default;

void rbutton::paintButton (juce::Graphics& g, bool, bool isButtonDown)
{
    // On means Echo: the switch then shows unlit and the Echo caption lit.
    const bool on = getToggleState();
    const int frame = (isButtonDown ? 1 : 0) + (on ? 0 : 2);

    drawImagePart (g, strip, 19, 23, row->width, row->height,
                   0, frame * row->height, row->width, row->height);
    drawImagePart (g, echoLabel, 0, 0, 34, 16, 0, on ? 16 : 0, 34, 16);
    drawImagePart (g, reverbLabel, 39, 0, 46, 16, 0, on ? 0 : 16, 46, 16);
}
