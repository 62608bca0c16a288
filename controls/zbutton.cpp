#include "controls/zbutton.h"
#include "controls/Images.h"

zbutton::zbutton (const PlaceRow* r) : juce::Button (r->name), row (r)
{
    image = getImage (row->imageName);
    setBounds (row->x, row->y, row->width, row->height);
}

zbutton::~zbutton() = default;

void zbutton::paintButton (juce::Graphics& g, bool isMouseOverButton, bool isButtonDown)
{
    if (! image.isValid())
        return;

    int frame;
    if (row->frames == 3)
        frame = isButtonDown ? 2 : (isMouseOverButton ? 1 : 0);
    else if (row->frames == 4)
        frame = (isButtonDown ? 1 : 0) + (getToggleState() ? 2 : 0);
    else
        return;

    // A button held while the instrument is busy shows that it takes no click.
    if (! isEnabled())
        g.setOpacity (0.4f);
    drawImagePart (g, image, 0, 0, row->width, row->height,
                   0, frame * row->height, row->width, row->height);
}
