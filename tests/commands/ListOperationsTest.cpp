// The list operations behind "Up", "Down" and "Left", on small tagged lists.
#include <algorithm>
#include <initializer_list>
#include <vector>
#include <gtest/gtest.h>
#include "app/MainContentComponent.h"

namespace
{
constexpr int tagWord = 40;

SoundVector tagged (int count, int firstTag = 0)
{
    SoundVector list;
    for (int i = 0; i < count; ++i)
    {
        SoundRecord r;
        initSoundRecord (&r);
        r[tagWord] = static_cast<uint32_t> (firstTag + i);
        list.append (r);
    }
    return list;
}

std::vector<int> tags (const SoundVector& list)
{
    std::vector<int> t;
    for (int i = 0; i < list.size(); ++i)
        t.push_back (static_cast<int> (list[i][tagWord]));
    return t;
}

std::vector<int> selectedTags (const SoundVector& list)
{
    std::vector<int> t;
    for (int i = 0; i < list.size(); ++i)
        if (list[i].isSelected())
            t.push_back (static_cast<int> (list[i][tagWord]));
    return t;
}

void select (SoundVector& list, std::initializer_list<int> indices)
{
    for (int i : indices)
        list[i].setSelected (true);
}
}

TEST (MoveBlock, MovesTheRunByOnePlaceOrRefuses)
{
    struct Case { bool up; int first, count, result; std::vector<int> order; };
    const Case cases[] = {
        { true,  2, 2,  2, { 0, 2, 3, 1, 4 } },
        { true,  1, 4,  4, { 1, 2, 3, 4, 0 } },
        { true,  0, 1, -1, { 0, 1, 2, 3, 4 } },
        { false, 1, 2,  2, { 0, 3, 1, 2, 4 } },
        { false, 0, 4,  4, { 4, 0, 1, 2, 3 } },
        { false, 3, 2, -2, { 0, 1, 2, 3, 4 } },
        { false, 4, 1, -2, { 0, 1, 2, 3, 4 } },
        // Runs that do not fit the list move nothing rather than overwrite a sound.
        { true,  3, 3, -1, { 0, 1, 2, 3, 4 } },
        { true,  2, 0, -1, { 0, 1, 2, 3, 4 } },
        { true,  2, -1, -1, { 0, 1, 2, 3, 4 } },
        { false, 2, 0, -2, { 0, 1, 2, 3, 4 } },
        { false, -1, 2, -2, { 0, 1, 2, 3, 4 } },
    };
    for (const auto& c : cases)
    {
        SoundVector list = tagged (5);
        const int result = c.up ? moveBlockUp (list, c.first, c.count) : moveBlockDown (list, c.first, c.count);
        EXPECT_EQ (result, c.result) << (c.up ? "up " : "down ") << c.first << "+" << c.count;
        EXPECT_EQ (tags (list), c.order) << (c.up ? "up " : "down ") << c.first << "+" << c.count;
    }
}

TEST (MoveSelected, MovesOnlyTheFirstRunAndItsFlags)
{
    struct Case { std::initializer_list<int> selected; int direction; std::vector<int> order; std::vector<int> stillSelected; };
    const Case cases[] = {
        { { 2, 3, 6 }, -1, { 0, 2, 3, 1, 4, 5, 6, 7 }, { 2, 3, 6 } },
        { { 2, 3, 6 },  1, { 0, 1, 4, 2, 3, 5, 6, 7 }, { 2, 3, 6 } },
        { { 0, 1 },    -1, { 0, 1, 2, 3, 4, 5, 6, 7 }, { 0, 1 } },
        { { 0, 1 },     1, { 2, 0, 1, 3, 4, 5, 6, 7 }, { 0, 1 } },
        { { 7 },        1, { 0, 1, 2, 3, 4, 5, 6, 7 }, { 7 } },
        { { 7 },       -1, { 0, 1, 2, 3, 4, 5, 7, 6 }, { 7 } },
        { {},          -1, { 0, 1, 2, 3, 4, 5, 6, 7 }, {} },
        { {},           1, { 0, 1, 2, 3, 4, 5, 6, 7 }, {} },
    };
    for (const auto& c : cases)
    {
        SoundVector list = tagged (8);
        select (list, c.selected);
        moveSelected (list, c.direction);
        EXPECT_EQ (tags (list), c.order) << "direction " << c.direction;
        // The record that changes sides keeps its own (clear) flag.
        auto sel = selectedTags (list);
        std::sort (sel.begin(), sel.end());
        EXPECT_EQ (sel, c.stillSelected) << "direction " << c.direction;
    }
}

TEST (CopySelectedSounds, FillsSelectedSlotsInOrderThenAppends)
{
    struct Case
    {
        const char* what;
        std::initializer_list<int> librarySelected, userSelected;
        std::vector<int> order;      // user list tags afterwards
        std::vector<int> selected;   // tags of the user records selected afterwards
    };
    const Case cases[] = {
        { "two slots, three sounds", { 1, 4, 5 }, { 3, 10 },
          { 0, 1, 2, 101, 4, 5, 6, 7, 8, 9, 104, 11, 105 }, { 101, 104, 105 } },
        { "no slot selected", { 0, 2 }, {},
          { 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 100, 102 }, { 100, 102 } },
        { "more slots than sounds", { 2 }, { 1, 5 },
          { 0, 102, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11 }, { 102, 5 } },
        { "nothing selected in the library", {}, { 4 },
          { 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11 }, { 4 } },
    };
    for (const auto& c : cases)
    {
        SoundVector user = tagged (12);
        SoundVector library = tagged (6, 100);
        select (user, c.userSelected);
        select (library, c.librarySelected);
        copySelectedSounds (user, library);
        EXPECT_EQ (tags (user), c.order) << c.what;
        EXPECT_EQ (selectedTags (user), c.selected) << c.what;
        EXPECT_EQ (tags (library), tags (tagged (6, 100))) << c.what;
    }
}

TEST (CopySelectedSounds, EmptyLibraryChangesNothing)
{
    SoundVector user = tagged (3);
    SoundVector library;
    select (user, { 1 });
    copySelectedSounds (user, library);
    EXPECT_EQ (tags (user), (std::vector<int> { 0, 1, 2 }));
    EXPECT_EQ (selectedTags (user), (std::vector<int> { 1 }));
}
