#include "controls/zpot.h"
#include "controls/Images.h"
#include "controls/TypedNumber.h"

zpot::zpot (const PlaceRow* r) : row (r)
{
    setLabelBand (17, 0, 0);
    image = getImage (row->imageName);
    setSliderStyle (juce::Slider::RotaryHorizontalVerticalDrag);
    setTextBoxStyle (juce::Slider::TextBoxAbove, false, 50, 20);
    setRange (0.0, 127.0, 1.0);
}

zpot::~zpot() = default;

void zpot::setLabelBand (int band, int dx, int dy)
{
    // Page origins are (74, 92): the image lands at the row's window position plus (dx, dy).
    labelBand = band;
    setBounds (row->x + dx - 74, row->y - band + dy - 92, row->width, row->height + band);
}

void zpot::setTextBoxRight()
{
    setTextBoxStyle (juce::Slider::TextBoxRight, false, 50, 20);
    setBounds (row->x - 74, row->y - 88, row->width + 60, row->height);
    labelBand = 0;
    image = getImage ("Knob-1_Invert_Rot.png");
}

void zpot::setBipolar()
{
    bipolar = true;
    image = getImage ("Knob-3_Bipolar.png");
    // The box still shows the value as a plain knob would ("0" for -64).
    updateText();
}

juce::String zpot::getTextFromValue (double value)
{
    const int n = truncToInt (value);
    if (! bipolar)
        return juce::String (n);
    if (n == 64)
        return "0";
    return juce::String::formatted ("%+d", n - 64);
}

double zpot::getValueFromText (const juce::String& text)
{
    int n = typedInt (text);
    if (n == 0)
    {
        if (text == "max")  n = 127;
        if (text == "full") n = 127;
        if (text == "low")  n = 16;
        if (text == "high") n = 100;
        if (text == "hi")   n = 100;
        if (bipolar && text == "min") n = -64;
    }
    if (bipolar)
        n += 64;
    return (double) juce::jlimit (0, 127, n);
}

void zpot::drawFrame (juce::Graphics& g, int frame)
{
    drawImagePart (g, image, 0, labelBand, row->width, row->height,
                   0, frame * row->height, row->width, row->height);
}

void zpot::paint (juce::Graphics& g)
{
    if (! image.isValid())
        return;
    const int n = truncToInt (getValue()) & 0x7F;
    g.setColour (juce::Colour (0xFFFFFFFFu));
    // The strip has 129 frames for 128 values; frame 101 is skipped.
    drawFrame (g, n <= 100 ? n : n + 1);
}
