#include <memory>
#include "controls/zpot.h"
#include "editor/EditPanel.h"
#include "sound/CcConversion.h"
#include "tests/pages/PageFixture.h"

namespace
{
    // Knob i at 10 + i, and the pickup type.
    SoundRecord modelSound (int pickupType, int knobBase = 10)
    {
        SoundRecord s = makeSound();
        for (int i = 0; i < EditPanel::numKnobs; ++i)
            setCc (&s, 32 + i, knobBase + i, true);
        setCc (&s, 47, pickupType, true);
        return s;
    }
}

using ModelPage = PageTest;

TEST_F (ModelPage, LoadSendsOnlyThePickupTypeAndReloadOnlyItsChange)
{
    SoundRecord first = modelSound (3);
    EditPanel page;
    page.setSound (&first);

    EXPECT_EQ (sentSinceLast(), std::vector<MidiBytes> { cc (47, 3) });
    for (int i = 0; i < EditPanel::numKnobs; ++i)
    {
        EXPECT_EQ (page.knobs[i]->getValue(), 10 + i) << "knob " << i;
        EXPECT_EQ (modelKnobLastSent[i], 10 + i) << "knob " << i;
    }
    EXPECT_EQ (page.pickup.getText(), "Capacitive 2");
    EXPECT_EQ (getCc (&first, 47, false), 3);

    page.setSound (&first);
    EXPECT_TRUE (sentSinceLast().empty());

    // Other knob values arrive silently too; only the changed pickup type goes out.
    SoundRecord second = modelSound (0, 40);
    page.setSound (&second);
    EXPECT_EQ (sentSinceLast(), std::vector<MidiBytes> { cc (47, 0) });
    EXPECT_EQ (page.knobs[14]->getValue(), 54);
}

TEST_F (ModelPage, PickupTypeOutOfRangeKeepsTheBoxAndSendsNothing)
{
    SoundRecord s = modelSound (5);
    EditPanel page;
    page.setSound (&s);
    EXPECT_TRUE (sentSinceLast().empty());
    EXPECT_EQ (page.pickup.getSelectedId(), 0);
}

TEST_F (ModelPage, KnobEditSendsItsCcOnceAndStoresIt)
{
    SoundRecord s = modelSound (1);
    EditPanel page;
    page.setSound (&s);
    sentSinceLast();

    struct Case { int knob; int value; };
    for (const Case c : { Case { 3, 90 }, Case { 0, 0 }, Case { 14, 127 }, Case { 7, 64 } })
    {
        page.knobs[c.knob]->setValue (c.value, juce::sendNotificationSync);
        EXPECT_EQ (sentSinceLast(), std::vector<MidiBytes> { cc (32 + c.knob, c.value) }) << "knob " << c.knob;
        EXPECT_EQ (getCc (&s, 32 + c.knob, true), c.value) << "knob " << c.knob;

        // A repeated notification of the same value is not sent again.
        page.sliderValueChanged (page.knobs[c.knob]);
        EXPECT_TRUE (sentSinceLast().empty()) << "knob " << c.knob;
    }
}

TEST_F (ModelPage, UnloadedPageSendsOnlyThePickupTypeAndTheTableOutlivesIt)
{
    modelKnobLastSent[4] = 0;
    {
        auto page = std::make_unique<EditPanel>();
        page->knobs[4]->setValue (50, juce::sendNotificationSync);
        EXPECT_TRUE (sentSinceLast().empty());
        EXPECT_EQ (modelKnobLastSent[4], 50);

        page->pickup.setSelectedId (2, juce::sendNotificationSync);
        EXPECT_EQ (sentSinceLast(), std::vector<MidiBytes> { cc (47, 1) });
    }
    EXPECT_EQ (modelKnobLastSent[4], 50);
}

TEST_F (ModelPage, PositionIsFixed)
{
    EditPanel page;
    page.setPosition (1024, 728);
    EXPECT_EQ (page.getBounds(), juce::Rectangle<int> (74, 92, 876, 676));
}
