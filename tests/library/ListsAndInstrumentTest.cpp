// The content page's lists while the instrument talks: a Program Change or a dump that arrives
// during a drag, and what a Program Change sends.
#include <gtest/gtest.h>

#include <cstring>

#include "library/SoundListEditing.h"
#include "tests/library/PageFixture.h"

namespace
{
juce::String nameOf (const SoundRecord& r) { return juce::String (r.nameText()).trimEnd(); }

juce::var dragRows (Soundlist& list, std::initializer_list<int> rows)
{
    juce::SparseSet<int> set;
    for (int r : rows)
        set.addRange ({ r, r + 1 });
    return list.getDragSourceDescription (set);
}

juce::Point<int> rowPoint (int row) { return { 20, row * 16 + 8 }; }
juce::Point<int> layerPoint (Soundlist& list, int row) { return { list.getVisibleRowWidth() - 4, row * 16 + 8 }; }

bool sameContent (const SoundRecord& a, const SoundRecord& b)
{
    const int first = SoundRecord::fingerprintFirst, last = SoundRecord::fingerprintLast;
    return std::memcmp (&a.w[first], &b.w[first], (last - first + 1) * 4) == 0;
}

void rename (SoundRecord& r, const char* name)
{
    const juce::ScopedLock sl (userSoundsLock);
    setSoundName (&r, name);
}

class Lists : public PageFixture
{
protected:
    // A Program Change from the instrument, and the tick that takes it.
    void programChange (int program)
    {
        kestrane->sendProgramChange (0, program);
        ASSERT_TRUE (kestrane->waitUntilIdle());
        main->timerCallback();
    }
};
} // namespace

//==============================================================================
TEST_F (Lists, ADropActsOnTheRowsTheDragStartedWith)
{
    // The user drags row 3; meanwhile a Program Change selects row 10.
    enum Target { layerOfRow20, row20, theLibrary };
    const struct { const char* what; Target target; } cases[] = {
        { "onto the layer part of row 20", layerOfRow20 },
        { "onto row 20", row20 },
        { "onto the library", theLibrary },
    };
    const auto users = user().records;
    const auto sounds = library().records;
    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.what);
        {
            const juce::ScopedLock sl (userSoundsLock);
            user().records = users;
        }
        library().records = sounds;
        page().libraryList.refresh();
        rename (user()[3], "Dragged");
        rename (user()[10], "Selected Meanwhile");
        const juce::String was20 = nameOf (user()[20]);
        page().userList.selectRow (3);

        const juce::var dragged = dragRows (page().userList, { 3 });
        programChange (10);
        ASSERT_TRUE (user()[10].isSelected());
        ASSERT_FALSE (user()[3].isSelected());

        switch (c.target)
        {
            case layerOfRow20:
                page().userList.itemDropped ({ dragged, nullptr, layerPoint (page().userList, 20) });
                EXPECT_EQ (getLayerName (&user()[20]), "Dragged");
                EXPECT_EQ (nameOf (user()[20]), was20);
                break;
            case row20:
                page().userList.itemDropped ({ dragged, nullptr, rowPoint (20) });
                EXPECT_EQ (nameOf (user()[20]), "Dragged");
                EXPECT_EQ (nameOf (user()[3]), was20);
                EXPECT_EQ (nameOf (user()[10]), "Selected Meanwhile");
                break;
            case theLibrary:
                page().libraryList.itemDropped ({ dragged, nullptr, rowPoint (0) });
                ASSERT_EQ (library().size(), 29);
                EXPECT_EQ (nameOf (library()[28]), "Dragged");
                break;
        }
        EXPECT_EQ (user().size(), 28);
    }
}

TEST_F (Lists, ADropOfSoundsThatAreNoLongerThereDoesNothing)
{
    // Library rows 26 and 27 are dragged; meanwhile the keys delete them and select row 0.
    page().libraryList.selectRangeOfRows (26, 27);
    const juce::var dragged = dragRows (page().libraryList, { 26, 27 });
    ASSERT_TRUE (page().libraryList.keyPressed (juce::KeyPress (juce::KeyPress::deleteKey)));
    ASSERT_TRUE (page().libraryList.keyPressed (juce::KeyPress (juce::KeyPress::downKey)));
    ASSERT_EQ (library().size(), 26);
    ASSERT_TRUE (library()[0].isSelected());
    const auto before = user().records;

    page().userList.itemDropped ({ dragged, nullptr, rowPoint (5) });
    page().userList.itemDropped ({ dragged, nullptr, layerPoint (page().userList, 6) });

    ASSERT_EQ (user().size(), 28);
    for (int i = 0; i < 28; ++i)
        EXPECT_TRUE (sameContent (user()[i], before[static_cast<size_t> (i)])) << "record " << i;
}

//==============================================================================
namespace
{
MidiBytes editBufferDump (const SoundRecord& r)
{
    MidiBytes out (soundDumpLength);
    encodeSoundDump (&r, out.data(), 127);
    return out;
}

int firstWithEngine (const SoundVector& list, int engine, int after = -1)
{
    for (int i = after + 1; i < list.size(); ++i)
        if (static_cast<int> (list[i][SoundRecord::engineType]) == engine)
            return i;
    return -1;
}
} // namespace

TEST_F (Lists, AProgramChangeSendsTheNewSoundOnceAfterTheShortPause)
{
    // Only a page of another engine is switched, and the switch sends the sound by itself (the
    // tick's own send, 20 ms later, replaces it if it still waits); on every other page the sound
    // goes out once, no earlier than 20 ms after the tick.
    enum Shown { contentPage, effectsPage, ownEnginePage, otherEnginePage };
    const struct { const char* what; Shown shown; size_t fewestDumps, mostDumps; } cases[] = {
        { "content page", contentPage, 1, 1 },
        { "effects page", effectsPage, 1, 1 },
        { "FM page, to another FM sound", ownEnginePage, 1, 1 },
        { "FM page, to a Model sound", otherEnginePage, 1, 2 },
    };
    const int fm = firstWithEngine (user(), 2);
    const int otherFm = firstWithEngine (user(), 2, fm);
    const int model = firstWithEngine (user(), 0);
    ASSERT_GE (fm, 0);
    ASSERT_GE (otherFm, 0);
    ASSERT_GE (model, 0);
    {
        // Two mixes, so that showing the new sound late would send CC 73.
        const juce::ScopedLock sl (userSoundsLock);
        setCc (&user()[fm], 73, 0, true);
        setCc (&user()[model], 73, 40, true);
        setCc (&user()[otherFm], 73, 40, true);
    }

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.what);
        showPage (0);
        page().userList.selectRow (fm);
        if (c.shown == effectsPage)
            showPage (2);
        else if (c.shown != contentPage)
            showPage (1);
        forgetSent();
        ScopedVirtualClock::clear();

        const int to = c.shown == ownEnginePage ? otherFm : model;
        const int64_t before = ScopedVirtualClock::now();
        programChange (to);

        // The new page loads the sound after the switch has sent it; the last send has it as loaded.
        const auto sent = dumps();
        EXPECT_GE (sent.size(), c.fewestDumps);
        EXPECT_LE (sent.size(), c.mostDumps);
        ASSERT_FALSE (sent.empty());
        EXPECT_EQ (sent.back(), editBufferDump (user()[to]));
        const auto at = fake.ports.sentTimes (fake.ports.outputIdAt (0));
        EXPECT_GE (at.back() - before, 20000);
        if (c.shown == contentPage)
        {
            EXPECT_TRUE (ccs().empty());
            EXPECT_EQ (page().layerSlider.leftCaption, juce::String (user()[to].nameText()));
            EXPECT_EQ ((int) page().layerSlider.getValue(), 40);
            EXPECT_TRUE (page().userList.isRowSelected (to));
        }
    }
}
