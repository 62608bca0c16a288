// The content page's lists while the instrument talks: a Program Change or a dump that arrives
// during a drag or a rename, and what a Program Change sends.
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
