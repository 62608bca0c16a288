#include "controls/zlayerslider.h"
#include "controls/Images.h"
#include "controls/TypedNumber.h"

zlayerslider::zlayerslider()
{
    handleImage = getImage ("Slider.png");
    setSliderStyle (juce::Slider::LinearHorizontal);
    setTextBoxStyle (juce::Slider::TextBoxAbove, false, 50, 20);
    setRange (0.0, 127.0, 1.0);
    leftCaption = "linx";
    rightCaption = "rexs";
}

zlayerslider::~zlayerslider() = default;

juce::String zlayerslider::getTextFromValue (double value)
{
    const int n = truncToInt (value);
    if (n == 64)
        return "0";
    if (n == 0)
        return "OFF";
    return juce::String::formatted ("%+d", n - 64);
}

double zlayerslider::getValueFromText (const juce::String& text)
{
    const int n = typedInt (text);
    // The box shows "OFF" at 0 and must read it back.
    if (n == 0 && text.trim().equalsIgnoreCase ("off"))
        return 0.0;
    if (n == 0 && (text == "mid" || text == "center"))
        return 64.0;
    return (double) juce::jlimit (0, 127, n + 64);
}

void zlayerslider::paint (juce::Graphics& g)
{
    if (! handleImage.isValid())
        return;

    const double v = getValue();
    // Two slopes so that the centre value sits at the middle of the 311-pixel travel.
    const int x = truncToInt (v >= 64.0 ? v * 311.0 / 127.0 : v * 310.0 / 128.0);
    drawImagePart (g, handleImage, x + 3, 31, 53, 30, 0, 0, 53, 30);

    drawEngineBox (g, 8, 0, leftEngine);
    g.setColour (juce::Colour (0xFFD9D6CCu));
    g.setFont (juce::Font (13.0f));
    g.drawText (leftCaption, 28, 0, 100, 20, juce::Justification::centredLeft, true);

    if (v > 0.0)
    {
        g.drawText (rightCaption, 240, 0, 100, 20, juce::Justification::right, true);
        drawEngineBox (g, 344, 0, rightEngine);
    }
}

void drawEngineBox (juce::Graphics& g, int x, int y, int engine)
{
    static const char* const letters[] = { "M", "S", "F", "F" };
    static const juce::uint32 fills[] = { 0xFF202020u, 0xFFDFDFD0u, 0xFF604830u, 0xFF604830u };
    static const juce::uint32 inks[] = { 0xFFD9D6CCu, 0xFF202020u, 0xFFD9D6CCu, 0xFFD9D6CCu };
    const int e = engine & 3;

    g.setColour (juce::Colour (fills[e]));
    g.fillRect (x, y, 16, 16);
    g.setColour (juce::Colour (0xFF806040u));
    g.drawRect (x, y, 16, 16, 1);
    g.setColour (juce::Colour (inks[e]));
    g.drawText (letters[e], x, y, 16, 16, juce::Justification::centred, false);
}
