#include "Render.h"
#include "controls/FmSlider.h"
#include "controls/PlaceTable.h"
#include "controls/dpot.h"
#include "controls/tpot.h"
#include "controls/zpot.h"
#include <limits>

namespace
{
int frameShown (zpot& knob, int scale)
{
    const auto shown = render (knob.getWidth(), knob.getHeight(), scale, [&] (juce::Graphics& g) { knob.paint (g); });
    return shownFrame (shown, { 0, knob.labelBand, 83, 83 }, knob.image, 129, 83, 83, scale);
}

const PlaceRow* row (const char* name)
{
    const PlaceRow* r = findPlaceRow (name);
    EXPECT_NE (r, nullptr) << name;
    return r;
}
}

TEST (zpot, ValueSelectsItsFrameSkippingFrame101AtBothScales)
{
    const std::pair<int, int> valueFrame[] = { { 0, 0 }, { 1, 1 }, { 64, 64 }, { 100, 100 }, { 101, 102 }, { 127, 128 } };
    for (int s : { 1, 2 })
    {
        ScaleGuard scale (s);
        zpot knob (row ("HAMMER_Level"));
        ASSERT_EQ (knob.image.getWidth(), 83 * s);
        for (const auto& [value, frame] : valueFrame)
        {
            knob.setValue (value, juce::dontSendNotification);
            EXPECT_EQ (frameShown (knob, s), frame) << "scale " << s << " value " << value;
        }
    }
}

TEST (zpot, ImageLandsBelowTheBandWithTheStripOfItsSetUp)
{
    ScaleGuard scale (1);
    zpot knob (row ("TREMOLO_Intensy"));
    EXPECT_EQ (knob.getBounds(), juce::Rectangle<int> (30, 3, 83, 100));  // Model-page placing
    EXPECT_EQ (knob.labelBand, 17);
    knob.setLabelBand (16, 0, 4);
    EXPECT_EQ (knob.getBounds(), juce::Rectangle<int> (30, 8, 83, 99));
    knob.setValue (40, juce::dontSendNotification);
    EXPECT_EQ (frameShown (knob, 1), 40);

    knob.setTextBoxRight();
    EXPECT_EQ (knob.getBounds(), juce::Rectangle<int> (30, 24, 143, 83));
    EXPECT_EQ (knob.labelBand, 0);
    EXPECT_EQ (knob.getTextBoxPosition(), juce::Slider::TextBoxRight);
    EXPECT_TRUE (knob.image == getImage ("Knob-1_Invert_Rot.png"));
    EXPECT_EQ (frameShown (knob, 1), 40);

    zpot eq (row ("EQUAL_Bass"));
    eq.setBipolar();
    EXPECT_TRUE (eq.image == getImage ("Knob-3_Bipolar.png"));
}

TEST (zpot, StartsAsAnEditable0To127KnobWithTheTextAbove)
{
    zpot knob (row ("BAR_Tone"));
    EXPECT_EQ (knob.getMinimum(), 0.0);
    EXPECT_EQ (knob.getMaximum(), 127.0);
    EXPECT_EQ (knob.getInterval(), 1.0);
    EXPECT_EQ (knob.getValue(), 0.0);
    EXPECT_EQ (knob.getSliderStyle(), juce::Slider::RotaryHorizontalVerticalDrag);
    EXPECT_EQ (knob.getTextBoxPosition(), juce::Slider::TextBoxAbove);
    EXPECT_TRUE (knob.isTextBoxEditable());
    EXPECT_EQ (knob.getTextBoxWidth(), 50);
    EXPECT_EQ (knob.getTextBoxHeight(), 20);
    EXPECT_FALSE (knob.bipolar);
    EXPECT_EQ (knob.index, 0);
}

TEST (zpot, NullImageDrawsNothing)
{
    zpot knob (row ("BAR_Tone"));
    knob.image = juce::Image();
    knob.setValue (50, juce::dontSendNotification);
    EXPECT_TRUE (isBlank (render (83, 100, 1, [&] (juce::Graphics& g) { knob.paint (g); })));
}

TEST (zpot, TextAndTypedValues)
{
    zpot plain (row ("BAR_Tone"));
    zpot bipolar (row ("EQUAL_Bass"));
    bipolar.setBipolar();

    const std::pair<double, const char*> shown[] = { { 0, "0" }, { 64, "64" }, { 127, "127" }, { 99.9, "99" } };
    for (const auto& [v, text] : shown)
        EXPECT_EQ (plain.getTextFromValue (v), text) << v;
    const std::pair<double, const char*> shownBipolar[] = { { 64, "0" }, { 0, "-64" }, { 127, "+63" }, { 65, "+1" }, { 63, "-1" } };
    for (const auto& [v, text] : shownBipolar)
        EXPECT_EQ (bipolar.getTextFromValue (v), text) << v;

    struct Typed { const char* text; double plain, bipolar; };
    const Typed typed[] = {
        { "200", 127, 127 }, { "-5", 0, 59 }, { "10abc", 10, 74 }, { "+10", 10, 74 }, { "-64", 0, 0 },
        { "abc", 0, 64 }, { "", 0, 64 }, { "0", 0, 64 },
        { "max", 127, 127 }, { "full", 127, 127 }, { "low", 16, 80 }, { "high", 100, 127 }, { "hi", 100, 127 },
        { "min", 0, 0 }, { "MAX", 0, 64 }, { " max", 0, 64 },
        { "99999999999", 127, 127 }, { "-99999999999", 0, 0 },
    };
    for (const auto& t : typed)
    {
        EXPECT_EQ (plain.getValueFromText (t.text), t.plain) << '"' << t.text << '"';
        EXPECT_EQ (bipolar.getValueFromText (t.text), t.bipolar) << '"' << t.text << '"';
    }

    // What a knob shows reads back as the same value.
    for (int v = 0; v <= 127; ++v)
    {
        EXPECT_EQ (plain.getValueFromText (plain.getTextFromValue (v)), v);
        EXPECT_EQ (bipolar.getValueFromText (bipolar.getTextFromValue (v)), v);
    }
}

TEST (tpot, SemitonesTextParsingAndFrames)
{
    tpot knob (row ("Transpose"));
    EXPECT_EQ (knob.getMinimum(), -12.0);
    EXPECT_EQ (knob.getMaximum(), 12.0);

    const std::pair<double, const char*> shown[] = { { 0, "0" }, { 12, "+12" }, { -3, "-3" }, { -12, "-12" } };
    for (const auto& [v, text] : shown)
        EXPECT_EQ (knob.getTextFromValue (v), text);
    const std::pair<const char*, double> typed[] = { { "20", 12 }, { "-15", -12 }, { "+5", 5 }, { "x", 0 }, { "99999999999", 12 } };
    for (const auto& [text, v] : typed)
        EXPECT_EQ (knob.getValueFromText (text), v) << text;

    const int frames[25] = { 0, 5, 10, 16, 21, 26, 32, 37, 42, 48, 53, 58, 64, 69, 74, 80, 85, 90, 96, 101, 106, 112, 117, 122, 128 };
    knob.setLabelBand (35, 0, 0);
    for (int s : { 1, 2 })
    {
        ScaleGuard scale (s);
        knob.image = getImage ("Knob-2.png");
        for (int v = -12; v <= 12; ++v)
        {
            knob.setValue (v, juce::dontSendNotification);
            EXPECT_EQ (frameShown (knob, s), frames[v + 12]) << "scale " << s << " value " << v;
        }
    }
}

TEST (dpot, HertzTextAndParsing)
{
    dpot knob (row ("MasterTune"));
    EXPECT_EQ (knob.getMaximum(), 127.0);
    const std::pair<double, const char*> shown[] = { { 0, "415,3" }, { 64, "440,0" }, { 65, "440,4" }, { 127, "465,7" } };
    for (const auto& [v, text] : shown)
        EXPECT_EQ (knob.getTextFromValue (v), text) << v;

    // Typed pitches go to the nearest step, with a decimal comma as the box shows or a point.
    const std::pair<const char*, double> typed[] = {
        { "440", 64 }, { "440,0", 64 }, { "440.0", 64 }, { "440.4", 65 }, { "440,4", 65 }, { "454,5", 100 },
        { "465,7", 127 }, { "415,3", 0 }, { "0", 0 }, { "1000", 127 }, { "466", 127 },
        { "415.3", 0 }, { "-440", 0 }, { "abc", 0 }, { "nan", 0 }, { "inf", 127 }, { "-inf", 0 }, { "1e300", 127 },
        { "1e-300", 0 }, { "99999999999", 127 },
    };
    for (const auto& [text, v] : typed)
        EXPECT_EQ (knob.getValueFromText (text), v) << text;
}

TEST (FmSlider, StartsWithIndexZero)
{
    FmSlider bar;
    EXPECT_EQ (bar.index, 0);
}
