#include "Render.h"
#include "controls/zlayerslider.h"

namespace
{
juce::Image paintSlider (zlayerslider& s, int scale)
{
    return render (368, 60, scale, [&] (juce::Graphics& g) { s.paint (g); });
}

bool anyInk (const juce::Image& img, juce::Rectangle<int> logical, int scale)
{
    return ! isBlank (img.getClippedImage (logical * scale));
}

juce::Colour pixel (const juce::Image& img, int x, int y)
{
    return juce::Image::BitmapData (img, juce::Image::BitmapData::readOnly).getPixelColour (x, y);
}
}

TEST (zlayerslider, StartsAtOffWithPlaceholderCaptionsAndZeroEngines)
{
    zlayerslider s;
    EXPECT_EQ (s.getValue(), 0.0);
    EXPECT_EQ (s.getMaximum(), 127.0);
    EXPECT_EQ (s.getSliderStyle(), juce::Slider::LinearHorizontal);
    EXPECT_EQ (s.getTextBoxPosition(), juce::Slider::TextBoxAbove);
    EXPECT_TRUE (s.isTextBoxEditable());
    EXPECT_EQ (s.leftCaption, "linx");
    EXPECT_EQ (s.rightCaption, "rexs");
    EXPECT_EQ (s.leftEngine, 0);
    EXPECT_EQ (s.rightEngine, 0);
}

TEST (zlayerslider, TextAndTypedValues)
{
    zlayerslider s;
    const std::pair<double, const char*> shown[] = { { 64, "0" }, { 0, "OFF" }, { 1, "-63" }, { 63, "-1" }, { 65, "+1" }, { 127, "+63" } };
    for (const auto& [v, text] : shown)
        EXPECT_EQ (s.getTextFromValue (v), text) << v;

    const std::pair<const char*, double> typed[] = {
        { "+20", 84 }, { "-64", 0 }, { "-100", 0 }, { "100", 127 }, { "mid", 64 }, { "center", 64 },
        { "abc", 64 }, { "", 64 }, { "Mid", 64 }, { "99999999999", 127 }, { "-99999999999", 0 },
        // What the box shows at 0, in any case.
        { "OFF", 0 }, { "off", 0 }, { "Off", 0 },
    };
    for (const auto& [text, v] : typed)
        EXPECT_EQ (s.getValueFromText (text), v) << text;
    for (int v = 0; v <= 127; ++v)
        EXPECT_EQ (s.getValueFromText (s.getTextFromValue (v)), v) << s.getTextFromValue (v);
}

TEST (zlayerslider, HandleTravelsTheTrackAtBothScales)
{
    const std::pair<int, int> valueX[] = { { 0, 3 }, { 63, 155 }, { 64, 159 }, { 127, 314 } };
    for (int scale : { 1, 2 })
    {
        ScaleGuard guard (scale);
        zlayerslider s;
        for (const auto& [value, x] : valueX)
        {
            s.setValue (value, juce::dontSendNotification);
            const auto shown = paintSlider (s, scale);
            // The handle's last row lies below the 60-pixel slider and is clipped.
            EXPECT_EQ (difference (shown, { x, 31, 53, 29 }, s.handleImage, 0, 53, 29, scale), 0)
                << "scale " << scale << " value " << value;
        }
    }
}

TEST (zlayerslider, RightLayerAppearsOnlyAboveOff)
{
    ScaleGuard guard (1);
    zlayerslider s;
    s.setValue (0, juce::dontSendNotification);
    auto shown = paintSlider (s, 1);
    EXPECT_TRUE (anyInk (shown, { 8, 0, 16, 16 }, 1));
    EXPECT_TRUE (anyInk (shown, { 28, 0, 100, 20 }, 1));
    EXPECT_FALSE (anyInk (shown, { 240, 0, 120, 20 }, 1));

    s.setValue (1, juce::dontSendNotification);
    shown = paintSlider (s, 1);
    EXPECT_TRUE (anyInk (shown, { 240, 0, 100, 20 }, 1));
    EXPECT_TRUE (anyInk (shown, { 344, 0, 16, 16 }, 1));

    s.handleImage = juce::Image();
    EXPECT_TRUE (isBlank (paintSlider (s, 1)));
}

TEST (drawEngineBox, FillsByTheEngineTypeMaskedToTwoBits)
{
    const std::pair<int, juce::uint32> engineFill[] = {
        { 0, 0xFF202020u }, { 1, 0xFFDFDFD0u }, { 2, 0xFF604830u }, { 3, 0xFF604830u }, { 4, 0xFF202020u }, { 6, 0xFF604830u },
    };
    for (const auto& [engineType, fill] : engineFill)
    {
        const int engine = engineType;
        const auto img = render (20, 20, 1, [&] (juce::Graphics& g) { drawEngineBox (g, 2, 2, engine); });
        EXPECT_EQ (pixel (img, 4, 4).getARGB(), fill) << engine;       // inside, away from the letter
        EXPECT_EQ (pixel (img, 2, 10).getARGB(), 0xFF806040u) << engine; // the outline
        EXPECT_EQ (pixel (img, 1, 10).getAlpha(), 0) << engine;          // nothing outside
    }
}
