#include "Render.h"
#include "controls/Ibtn.h"
#include "controls/PlaceTable.h"
#include "controls/rbutton.h"
#include "controls/zbutton.h"

namespace
{
juce::Image paintButton (juce::Button& b, int scale, bool over, bool down)
{
    return render (b.getWidth(), b.getHeight(), scale, [&] (juce::Graphics& g)
    {
        if (auto* z = dynamic_cast<zbutton*> (&b))
            z->paintButton (g, over, down);
        else
            static_cast<Ibtn&> (b).paintButton (g, over, down);
    });
}

struct ButtonCase { bool on, over, down; int frame; };
}

TEST (zbutton, TakesNameBoundsAndStripFromItsRow)
{
    ScaleGuard scale (1);
    zbutton global (placeMainButtons.row (0));
    EXPECT_EQ (global.getName(), "Global");
    EXPECT_EQ (global.getBounds(), juce::Rectangle<int> (120, 708, 44, 51));
    EXPECT_EQ (global.image.getHeight(), 204);
    EXPECT_EQ (global.row, &placeTable[0]);
    EXPECT_EQ (global.index, 0);
}

TEST (zbutton, ScaleNotYetSetStillDrawsWholeFrames)
{
    ScaleGuard scale (0);
    zbutton b (placeMainButtons.row (1));
    b.setToggleState (true, juce::dontSendNotification);
    EXPECT_EQ (shownFrame (paintButton (b, 1, false, false), { 0, 0, 50, 42 }, b.image, 4, 50, 42, 1), 2);
}

TEST (zbutton, FourFrameStripFollowsToggleAndPressNotHover)
{
    const ButtonCase cases[] = {
        { false, false, false, 0 }, { false, true, false, 0 }, { false, false, true, 1 },
        { true, false, false, 2 }, { true, true, false, 2 }, { true, false, true, 3 }, { true, true, true, 3 },
    };
    for (int s : { 1, 2 })
    {
        ScaleGuard scale (s);
        zbutton b (placeMainButtons.row (0));
        for (const auto& c : cases)
        {
            b.setToggleState (c.on, juce::dontSendNotification);
            const auto shown = paintButton (b, s, c.over, c.down);
            EXPECT_EQ (shownFrame (shown, { 0, 0, 44, 51 }, b.image, 4, 44, 51, s), c.frame)
                << "scale " << s << " on " << c.on << " over " << c.over << " down " << c.down;
        }
    }
}

TEST (zbutton, ThreeFrameStripFollowsTheMouseWithPressWinning)
{
    const ButtonCase cases[] = {
        { false, false, false, 0 }, { false, true, false, 1 }, { false, false, true, 2 },
        { false, true, true, 2 }, { true, false, false, 0 },
    };
    for (int s : { 1, 2 })
    {
        ScaleGuard scale (s);
        zbutton b (placeContentButtons.row (0));
        ASSERT_EQ (b.image.getWidth(), 100 * s);
        for (const auto& c : cases)
        {
            b.setToggleState (c.on, juce::dontSendNotification);
            const auto shown = paintButton (b, s, c.over, c.down);
            EXPECT_EQ (shownFrame (shown, { 0, 0, 100, 48 }, b.image, 3, 100, 48, s), c.frame)
                << "scale " << s << " over " << c.over << " down " << c.down;
        }
    }
}

TEST (zbutton, DrawsNothingWithoutImageOrWithAnOddFrameCountButStillClicks)
{
    ScaleGuard scale (1);
    const PlaceRow fiveFrames { "Odd", "Button-1.png", 0, 0, 44, 51, 255, 5 };
    zbutton odd (&fiveFrames);
    EXPECT_TRUE (isBlank (paintButton (odd, 1, true, true)));

    zbutton empty (placeMainButtons.row (0));
    empty.image = juce::Image();
    EXPECT_TRUE (isBlank (paintButton (empty, 1, false, false)));

    int clicks = 0;
    odd.onClick = [&] { ++clicks; };
    odd.triggerClick();
    juce::MessageManager::getInstance()->runDispatchLoopUntil (50);
    EXPECT_EQ (clicks, 1);
}

TEST (rbutton, SitsAtItsOwnBoundsAndShowsTheChosenCaptionLit)
{
    struct Case { bool on, down; int stripFrame; int echoRow, reverbRow; };
    const Case cases[] = {
        { false, false, 2, 0, 1 }, { false, true, 3, 0, 1 },
        { true, false, 0, 1, 0 }, { true, true, 1, 1, 0 },
    };
    for (int s : { 1, 2 })
    {
        ScaleGuard scale (s);
        rbutton b (placeEffectsButtons.row (5));
        EXPECT_EQ (b.getBounds(), juce::Rectangle<int> (100, 344, 95, 74));
        for (const auto& c : cases)
        {
            SCOPED_TRACE (testing::Message() << "scale " << s << " on " << c.on << " down " << c.down);
            b.setToggleState (c.on, juce::dontSendNotification);
            const auto shown = paintButton (b, s, true, c.down);
            EXPECT_EQ (shownFrame (shown, { 19, 23, 44, 51 }, b.strip, 4, 44, 51, s), c.stripFrame);
            EXPECT_EQ (shownFrame (shown, { 0, 0, 34, 16 }, b.echoLabel, 2, 34, 16, s), c.echoRow);
            EXPECT_EQ (shownFrame (shown, { 39, 0, 46, 16 }, b.reverbLabel, 2, 46, 16, s), c.reverbRow);
        }
    }
}

TEST (Ibtn, DrawsNothingInAnyStateAndReportsClicks)
{
    Ibtn spot ("invisible");
    spot.setBounds (0, 0, 40, 32);
    EXPECT_EQ (spot.getName(), "invisible");
    for (bool over : { false, true })
        for (bool down : { false, true })
            EXPECT_TRUE (isBlank (paintButton (spot, 1, over, down)));
    int clicks = 0;
    spot.onClick = [&] { ++clicks; };
    spot.triggerClick();
    juce::MessageManager::getInstance()->runDispatchLoopUntil (50);
    EXPECT_EQ (clicks, 1);
}

// Every row as the layout of the pages gives it, typed in here rather than read from the table.
TEST (PlaceTable, EveryRowWhereTheLayoutPutsIt)
{
    struct Row { const char* name; const char* image; int x, y, w, h, imageHeight, frames; };
    const Row rows[] = {
        { "Global", "Button-1.png", 120, 708, 44, 51, 204, 4 },
        { "Content", "Button-2.png", 121, 17, 50, 42, 168, 4 },
        { "Sound", "Button-2.png", 201, 17, 50, 42, 168, 4 },
        { "Effects", "Button-2.png", 281, 17, 50, 42, 168, 4 },
        { "Model", "Button-1.png", 0, 0, 44, 51, 204, 4 },
        { "FM", "Button-1.png", 110, 0, 44, 51, 204, 4 },
        { "Sample", "Button-1.png", 220, 0, 44, 51, 204, 4 },
        { "Stereo", "Button-1.png", 368, 51, 44, 51, 204, 4 },
        { "CHORUS_Active", "Button-1.png", 35, 211, 44, 51, 204, 4 },
        { "FLANGER_Active", "Button-1.png", 316, 211, 44, 51, 204, 4 },
        { "PHASER_Active", "Button-1.png", 597, 211, 44, 51, 204, 4 },
        { "ECHOVERB_Active", "Button-1.png", 35, 367, 44, 51, 204, 4 },
        { "ECHOVERB_Select", "Button-1.png", 119, 367, 44, 51, 204, 4 },
        { "AUTOWAH_Active", "Button-1.png", 527, 367, 44, 51, 204, 4 },
        { "AUTOWAH_Auto", "Button-1.png", 597, 367, 44, 51, 204, 4 },
        { "EQUAL_Active", "Button-1.png", 35, 522, 44, 51, 204, 4 },
        { "ODRIVE_Active", "Button-1.png", 527, 522, 44, 51, 204, 4 },
        { "ODRIVE_Tube", "Button-1.png", 597, 522, 44, 51, 204, 4 },
        { "LoadSet", "Button_Load-Set.png", 45, 79, 100, 48, 144, 3 },
        { "SaveSet", "Button_Save-Set.png", 45, 139, 100, 48, 144, 3 },
        { "ReqSet", "Button_Req-Set.png", 45, 219, 100, 48, 144, 3 },
        { "DumpSet", "Button_Dump-Set.png", 45, 279, 100, 48, 144, 3 },
        { "Up", "Button_Up.png", 45, 359, 100, 48, 144, 3 },
        { "Down", "Button_Down.png", 45, 419, 100, 48, 144, 3 },
        { "LoadLib", "Button_Load-Lib.png", 464, 79, 100, 48, 144, 3 },
        { "SaveLib", "Button_Save-Lib.png", 464, 139, 100, 48, 144, 3 },
        { "Rigth", "Button_Rigth.png", 464, 359, 100, 48, 144, 3 },
        { "Left", "Button_Left.png", 464, 419, 100, 48, 144, 3 },
        { "HAMMER_Level", "Knob-1.png", 130, 211, 83, 83, 10707, 129 },
        { "HAMMER_Max", "Knob-1.png", 260, 211, 83, 83, 10707, 129 },
        { "TINE_Level", "Knob-1.png", 550, 211, 83, 83, 10707, 129 },
        { "TINE_Decay", "Knob-1.png", 680, 211, 83, 83, 10707, 129 },
        { "TINE_Release", "Knob-1.png", 810, 211, 83, 83, 10707, 129 },
        { "BAR_Level", "Knob-1.png", 130, 435, 83, 83, 10707, 129 },
        { "BAR_Tune", "Knob-1.png", 260, 435, 83, 83, 10707, 129 },
        { "BAR_Tone", "Knob-1.png", 390, 435, 83, 83, 10707, 129 },
        { "BAR_Decay", "Knob-1.png", 130, 575, 83, 83, 10707, 129 },
        { "BAR_Tune2nd", "Knob-1.png", 260, 575, 83, 83, 10707, 129 },
        { "BAR_Random", "Knob-1.png", 390, 575, 83, 83, 10707, 129 },
        { "PICKUP_Distance", "Knob-1.png", 550, 435, 83, 83, 10707, 129 },
        { "PICKUP_Height", "Knob-1.png", 680, 435, 83, 83, 10707, 129 },
        { "PICKUP_Highpass", "Knob-1.png", 810, 435, 83, 83, 10707, 129 },
        { "PICKUP_Keytrack", "Knob-1.png", 550, 575, 83, 83, 10707, 129 },
        { "TREMOLO_Intensy", "Knob-1.png", 104, 112, 83, 83, 10707, 129 },
        { "TREMOLO_Speed", "Knob-1.png", 275, 112, 83, 83, 10707, 129 },
        { "STRINGRESO_Level", "Knob-1.png", 739, 112, 83, 83, 10707, 129 },
        { "CHORUS_Depth", "Knob-1.png", 177, 272, 83, 83, 10707, 129 },
        { "CHORUS_Tempo", "Knob-1.png", 275, 272, 83, 83, 10707, 129 },
        { "FLANGER_Depth", "Knob-1.png", 458, 272, 83, 83, 10707, 129 },
        { "FLANGER_Tempo", "Knob-1.png", 556, 272, 83, 83, 10707, 129 },
        { "PHASER_Depth", "Knob-1.png", 739, 272, 83, 83, 10707, 129 },
        { "PHASER_Tempo", "Knob-1.png", 837, 272, 83, 83, 10707, 129 },
        { "ECHOVERB_Depth", "Knob-1.png", 275, 427, 83, 83, 10707, 129 },
        { "ECHOVERB_Tempo", "Knob-1.png", 373, 427, 83, 83, 10707, 129 },
        { "ECHOVERB_Delay", "Knob-1.png", 471, 427, 83, 83, 10707, 129 },
        { "AUTOWAH_Depth", "Knob-1.png", 739, 427, 83, 83, 10707, 129 },
        { "AUTOWAH_Tempo", "Knob-1.png", 837, 427, 83, 83, 10707, 129 },
        { "EQUAL_Bass", "Knob-1.png", 177, 582, 83, 83, 10707, 129 },
        { "EQUAL_Mid", "Knob-1.png", 275, 582, 83, 83, 10707, 129 },
        { "EQUAL_Presence", "Knob-1.png", 373, 582, 83, 83, 10707, 129 },
        { "EQUAL_Treble", "Knob-1.png", 471, 582, 83, 83, 10707, 129 },
        { "ODRIVE_Drive", "Knob-1.png", 739, 582, 83, 83, 10707, 129 },
        { "ODRIVE_Color", "Knob-1.png", 837, 582, 83, 83, 10707, 129 },
        { "Transpose", "Knob-2.png", 414, 451, 83, 83, 10707, 129 },
        { "MasterTune", "Knob-3.png", 545, 451, 83, 83, 10707, 129 },
    };
    static_assert (sizeof (rows) / sizeof (rows[0]) == 65, "65 rows");
    ASSERT_EQ (placeTableRows, 65);
    for (int i = 0; i < 65; ++i)
    {
        const Row& e = rows[i];
        const PlaceRow& c = placeTable[i];
        SCOPED_TRACE (testing::Message() << "row " << i << " " << e.name);
        EXPECT_STREQ (c.name, e.name);
        EXPECT_STREQ (c.imageName, e.image);
        EXPECT_EQ (c.x, e.x);
        EXPECT_EQ (c.y, e.y);
        EXPECT_EQ (c.width, e.w);
        EXPECT_EQ (c.height, e.h);
        EXPECT_EQ (c.imageHeight, e.imageHeight);
        EXPECT_EQ (c.frames, e.frames);
        EXPECT_EQ (findPlaceRow (e.name), &placeTable[i]);

        // The strip the row names is as tall as its frames say, at both scales.
        for (int s : { 1, 2 })
        {
            ScaleGuard scale (s);
            const juce::Image strip = getImage (e.image);
            ASSERT_TRUE (strip.isValid()) << e.image;
            EXPECT_EQ (strip.getWidth(), e.w * s) << e.image;
            EXPECT_EQ (strip.getHeight(), e.imageHeight * s) << e.image;
        }
    }
    EXPECT_EQ (findPlaceRow ("global"), nullptr);
    EXPECT_EQ (findPlaceRow (nullptr), nullptr);
}

TEST (PlaceTable, SlicesAreTheRunsTheCreatorsWalk)
{
    struct Case { PlaceSlice slice; int first, count; };
    const Case cases[] = {
        { placeMainButtons, 0, 4 }, { placeEngineButtons, 4, 3 }, { placeEffectsButtons, 7, 11 },
        { placeContentButtons, 18, 10 }, { placeModelKnobs, 28, 15 }, { placeEffectsKnobs, 43, 20 },
        { placeGlobalKnobs, 63, 2 },
    };
    for (const auto& c : cases)
    {
        EXPECT_EQ (c.slice.first, c.first);
        EXPECT_EQ (c.slice.count, c.count) << "slice from row " << c.first;
        EXPECT_EQ (c.slice.row (0), &placeTable[c.first]);
        EXPECT_EQ (&c.slice[c.count - 1], &placeTable[c.first + c.count - 1]);
    }
}
