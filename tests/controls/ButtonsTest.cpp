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

TEST (PlaceTable, SlicesAndNamesReachTheRowsTheCreatorsWalk)
{
    struct Case { PlaceSlice slice; const char* first; const char* last; };
    const Case cases[] = {
        { placeMainButtons, "Global", "Effects" }, { placeEngineButtons, "Model", "Sample" },
        { placeEffectsButtons, "Stereo", "ODRIVE_Tube" }, { placeContentButtons, "LoadSet", "Left" },
        { placeModelKnobs, "HAMMER_Level", "PICKUP_Keytrack" }, { placeEffectsKnobs, "TREMOLO_Intensy", "ODRIVE_Color" },
        { placeGlobalKnobs, "Transpose", "MasterTune" },
    };
    int next = 0;
    for (const auto& c : cases)
    {
        EXPECT_EQ (c.slice.first, next) << c.first;  // slices cover the table in order
        next = c.slice.first + c.slice.count;
        EXPECT_STREQ (c.slice[0].name, c.first);
        EXPECT_STREQ (c.slice[c.slice.count - 1].name, c.last);
    }
    EXPECT_EQ (next, placeTableRows);

    for (const auto& row : placeTable)
    {
        EXPECT_EQ (findPlaceRow (row.name), &row);
        EXPECT_EQ (row.imageHeight, row.height * row.frames) << row.name;
    }
    EXPECT_EQ (findPlaceRow ("global"), nullptr);
    EXPECT_EQ (findPlaceRow (nullptr), nullptr);
}
