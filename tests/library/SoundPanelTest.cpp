// The content page: what a selection sends, the layer-mix slider and CC 73, the page's layout.
#include <gtest/gtest.h>

#include "controls/PlaceTable.h"
#include "controls/zbutton.h"
#include "library/SoundListEditing.h"
#include "tests/library/LibraryFixtures.h"
#include "tests/library/PageFixture.h"

namespace
{
MidiBytes editBufferDump (const SoundRecord& r)
{
    MidiBytes out (soundDumpLength);
    encodeSoundDump (&r, out.data(), 127);
    return out;
}

void setMix (SoundRecord& r, int mix)
{
    setCc (&r, 73, mix, true);
}
} // namespace

TEST_F (PageFixture, AUserListClickSendsTheSoundOnceToTheEditBuffer)
{
    page().userList.selectRowsBasedOnModifierKeys (3, {}, false);

    auto sent = dumps();
    ASSERT_EQ (sent.size(), 1u);
    EXPECT_EQ (sent[0].size(), 1330u);
    EXPECT_EQ (sent[0][5], 127);
    EXPECT_EQ (sent[0], editBufferDump (user()[3]));
    EXPECT_EQ (page().layerSlider.leftCaption, juce::String (user()[3].nameText()));

    // Adding a lower row sends the first selected sound again, not the added one.
    forgetSent();
    page().userList.selectRowsBasedOnModifierKeys (5, juce::ModifierKeys::ctrlModifier, false);
    sent = dumps();
    ASSERT_EQ (sent.size(), 1u);
    EXPECT_EQ (sent[0], editBufferDump (user()[3]));
    EXPECT_TRUE (ccs().empty());
}

TEST_F (PageFixture, ALibraryClickSendsNothing)
{
    page().libraryList.selectRowsBasedOnModifierKeys (4, {}, false);
    EXPECT_TRUE (kestrane->received().empty());
    EXPECT_TRUE (library()[4].isSelected());
}

TEST_F (PageFixture, KeysOnTheUserListSendTheNewlySelectedSound)
{
    page().userList.selectRow (4);
    forgetSent();

    EXPECT_TRUE (page().userList.keyPressed (juce::KeyPress (juce::KeyPress::upKey)));

    auto sent = dumps();
    ASSERT_FALSE (sent.empty());
    EXPECT_EQ (sent.back(), editBufferDump (user()[3]));
    EXPECT_EQ (user().findCurrent(), 3);
}

TEST_F (PageFixture, EveryMoveOfTheSliderSendsAndStoresTheMix)
{
    const int values[] = { 5, 90, 91, 90, 0 };
    for (int v : values)
    {
        page().layerSlider.setValue (v, juce::sendNotificationSync);
        EXPECT_EQ (user()[0][SoundRecord::layerMix], (uint32_t) v);
        EXPECT_EQ (getCc (&user()[0], 73, false), v);
    }

    const auto sent = ccs();
    ASSERT_EQ (sent.size(), std::size (values));
    for (size_t i = 0; i < sent.size(); ++i)
        EXPECT_TRUE (isLayerMix (sent[i], values[i])) << i;
}

TEST_F (PageFixture, TypingIntoTheLayerMixBoxSendsWhatItShows)
{
    setMix (user()[0], 64);
    page().refresh();
    forgetSent();
    juce::Label* box = nullptr;
    for (auto* child : page().layerSlider.getChildren())
        if (auto* label = dynamic_cast<juce::Label*> (child))
            box = label;
    ASSERT_NE (box, nullptr);

    // The box's own text at 0 is "OFF": typed back, in any case, it turns the second layer off.
    const struct { const char* typed; int value; } cases[] = { { "OFF", 0 }, { "+10", 74 }, { "off", 0 }, { "0", 64 }, { "Off", 0 } };
    for (const auto& c : cases)
    {
        box->setText (c.typed, juce::sendNotificationSync);
        const auto sent = ccs();
        ASSERT_FALSE (sent.empty()) << c.typed;
        EXPECT_TRUE (isLayerMix (sent.back(), c.value)) << c.typed;
        EXPECT_EQ (user()[0][SoundRecord::layerMix], (uint32_t) c.value) << c.typed;
        forgetSent();
    }
}

TEST_F (PageFixture, ShowingASoundSetsTheSliderWithoutSendingOrSwallowingTheNextMove)
{
    SoundRecord& r = user()[4];
    setMix (r, 30);
    r[SoundRecord::engineType] = 2;
    r[SoundRecord::layerEngineType] = 1;
    setLayerName (&r, "Strings");

    page().userList.selectRow (4);

    EXPECT_EQ ((int) page().layerSlider.getValue(), 30);
    EXPECT_EQ (page().layerSlider.leftCaption, juce::String (r.nameText()));
    EXPECT_EQ (page().layerSlider.rightCaption, "Strings");
    EXPECT_EQ (page().layerSlider.leftEngine, 2);
    EXPECT_EQ (page().layerSlider.rightEngine, 1);
    pumpMessageLoop (50);  // no late notification either
    EXPECT_TRUE (ccs().empty());

    // A sound whose mix equals the slider's value, then the user's move.
    setMix (user()[5], 30);
    page().userList.selectRow (5);
    pumpMessageLoop (50);
    page().layerSlider.setValue (31, juce::sendNotificationSync);

    const auto sent = ccs();
    ASSERT_EQ (sent.size(), 1u);
    EXPECT_TRUE (isLayerMix (sent[0], 31));
    EXPECT_EQ (user()[5][SoundRecord::layerMix], 31u);
    EXPECT_EQ (user()[4][SoundRecord::layerMix], 30u);
}

TEST_F (PageFixture, RefreshSendsTheMixOnlyWhenItChanged)
{
    setMix (user()[0], 0);
    setMix (user()[6], 0);
    page().refresh();
    forgetSent();

    page().refresh();
    EXPECT_TRUE (ccs().empty());

    // A library sound dropped onto another sound's layer part changes nothing shown.
    page().libraryList.selectRow (2);
    page().libraryList.getDragSourceDescription ({});
    page().userList.itemDropped ({ "2", nullptr, { page().userList.getVisibleRowWidth() - 4, 6 * 16 + 8 } });
    EXPECT_EQ (user()[6][SoundRecord::layerMix], 64u);
    EXPECT_TRUE (ccs().empty());

    // Onto the shown sound, which had no second layer: the mix becomes 64 and goes out.
    page().libraryList.selectRow (3);
    page().libraryList.getDragSourceDescription ({});
    page().userList.itemDropped ({ "3", nullptr, { page().userList.getVisibleRowWidth() - 4, 8 } });
    EXPECT_EQ (user()[0][SoundRecord::layerMix], 64u);
    const auto sent = ccs();
    ASSERT_EQ (sent.size(), 1u);
    EXPECT_TRUE (isLayerMix (sent[0], 64));
    EXPECT_EQ ((int) page().layerSlider.getValue(), 64);
}

TEST_F (PageFixture, TheSliderWritesTheCurrentRecordAfterTheListsStorageMoved)
{
    page().userList.selectRow (2);
    // Appends reallocate the list; the page must not write through what it was given before.
    user().records.reserve (user().records.capacity() * 4 + 64);
    page().layerSlider.setValue (77, juce::sendNotificationSync);
    EXPECT_EQ (user()[2][SoundRecord::layerMix], 77u);

    // Erasing shifts the records: the page follows the current sound, not a place.
    {
        const juce::ScopedLock sl (userSoundsLock);
        eraseSounds (&user(), 0, 1);
    }
    page().userList.refresh();
    EXPECT_EQ (user().findCurrent(), 1);
    page().layerSlider.setValue (12, juce::sendNotificationSync);
    EXPECT_EQ (user()[1][SoundRecord::layerMix], 12u);
}

TEST_F (PageFixture, WithNoRowSelectedTheSliderStillMixesTheSoundItShows)
{
    page().userList.selectRowsBasedOnModifierKeys (3, {}, false);
    const juce::String shown = page().layerSlider.leftCaption;
    // The only selected row Ctrl-clicked off.
    page().userList.selectRowsBasedOnModifierKeys (3, juce::ModifierKeys::ctrlModifier, false);
    ASSERT_EQ (user().findCurrent(), -1);
    forgetSent();

    page().layerSlider.setValue (50, juce::sendNotificationSync);
    const auto sent = ccs();
    ASSERT_EQ (sent.size(), 1u);
    EXPECT_TRUE (isLayerMix (sent[0], 50));
    EXPECT_EQ (user()[3][SoundRecord::layerMix], 50u);
    EXPECT_EQ (user()[0][SoundRecord::layerMix], 0u);

    page().refresh();
    EXPECT_EQ (page().layerSlider.leftCaption, shown);
    EXPECT_EQ ((int) page().layerSlider.getValue(), 50);
}

TEST_F (PageFixture, APageNeverGivenASoundSendsNothing)
{
    SoundPanel fresh;
    forgetSent();
    fresh.layerSlider.setValue (50, juce::sendNotificationSync);
    fresh.refresh();
    pumpMessageLoop (50);
    EXPECT_TRUE (ccs().empty());
}

TEST_F (PageFixture, RenamingTheShownSoundRenamesItsCaption)
{
    page().userList.selectRow (3);
    renameByTyping (page().userList, 3, "Bright Tines");
    pumpMessageLoop (50);
    EXPECT_EQ (page().layerSlider.leftCaption.trimEnd(), "Bright Tines");

    // Another selected row renamed: the caption stays with the shown sound, the first selected.
    page().userList.selectRangeOfRows (3, 4);
    renameByTyping (page().userList, 4, "Dark Pad");
    pumpMessageLoop (50);
    EXPECT_EQ (page().layerSlider.leftCaption.trimEnd(), "Bright Tines");
    EXPECT_TRUE (ccs().empty());
}

TEST_F (PageFixture, GainingOrLosingTheSecondLayerRepaintsTheWholePage)
{
    setMix (user()[0], 0);
    page().refresh();
    showOnDesktop();
    PaintSpy spy;  // away from the slider: only a repaint of the page reaches it
    spy.setBounds (700, 590, 20, 20);
    page().addAndMakeVisible (spy);
    pumpMessageLoop (200);

    const struct { int value; bool wholePage; } moves[] = { { 40, true }, { 80, false }, { 0, true } };
    for (const auto& m : moves)
    {
        spy.paints = 0;
        page().layerSlider.setValue (m.value, juce::sendNotificationSync);
        pumpMessageLoop (150);
        EXPECT_EQ (spy.paints > 0, m.wholePage) << "to " << m.value;
    }
    page().removeChildComponent (&spy);
    main->removeFromDesktop();
}

TEST_F (PageFixture, LayoutAndButtonsAreFixed)
{
    for (auto size : { juce::Point<int> (0, 0), juce::Point<int> (1024, 728), juce::Point<int> (3000, 7) })
    {
        page().layout (size.x, size.y);
        EXPECT_EQ (page().getBounds(), juce::Rectangle<int> (74, 92, 876, 616));
        EXPECT_EQ (page().userList.getBounds(), juce::Rectangle<int> (166, 57, 238, 450));
        EXPECT_EQ (page().libraryList.getBounds(), juce::Rectangle<int> (586, 57, 238, 450));
    }
    EXPECT_EQ (page().layerSlider.getBounds(), juce::Rectangle<int> (44, 520, 368, 60));
    EXPECT_TRUE (page().userList.isDeviceList);
    EXPECT_FALSE (page().libraryList.isDeviceList);
    EXPECT_EQ (page().userList.getTooltip(), "User Sounds|<up/down> moves selection|<delete> removes selection");
    EXPECT_EQ (page().libraryList.getTooltip(), "Sound Library");
    // The tooltip window asks the row under the mouse, and rows fill the list.
    EXPECT_EQ (page().userList.getTooltipForRow (3), page().userList.getTooltip());
    EXPECT_EQ (page().libraryList.getTooltipForRow (0), "Sound Library");

    const struct { const char* row; int command; } buttons[] = {
        { "LoadSet", 0 }, { "SaveSet", 1 }, { "ReqSet", 4 }, { "DumpSet", 5 }, { "Up", 6 },
        { "Down", 7 }, { "LoadLib", 2 }, { "SaveLib", 3 }, { "Rigth", 9 }, { "Left", 8 },
    };
    for (int i = 0; i < SoundPanel::numButtons; ++i)
    {
        const zbutton* b = page().buttons[i];
        ASSERT_NE (b, nullptr) << i;
        const PlaceRow* row = findPlaceRow (buttons[i].row);
        ASSERT_NE (row, nullptr);
        EXPECT_EQ (b->getName(), buttons[i].row);
        EXPECT_EQ (b->getCommandID(), buttons[i].command) << buttons[i].row;
        EXPECT_EQ (b->getBounds(), juce::Rectangle<int> (row->x, row->y, row->width, row->height));
        EXPECT_EQ (b->getParentComponent(), &page());
    }
}
