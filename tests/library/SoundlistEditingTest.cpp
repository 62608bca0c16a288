// Editing the lists: keys, erasing, dragging rows within and between the lists.
#include <gtest/gtest.h>

#include <algorithm>

#include "library/SoundListEditing.h"
#include "tests/library/LibraryFixtures.h"

namespace
{
using Names = std::vector<std::string>;

juce::DragAndDropTarget::SourceDetails dropAt (juce::Point<int> p, juce::var description = "0")
{
    return { description, nullptr, p };
}

// Starts a drag of these rows of the view, as the list box does with its selected rows.
juce::var dragOf (ListView& view, const std::vector<int>& rows)
{
    juce::SparseSet<int> set;
    for (int r : rows)
        set.addRange ({ r, r + 1 });
    return view.list.getDragSourceDescription (set);
}
} // namespace

TEST (SoundlistKeys, DeletesOnTheLibraryAndMovesASingleSelection)
{
    using K = juce::KeyPress;
    const auto shift = juce::ModifierKeys::shiftModifier, ctrl = juce::ModifierKeys::ctrlModifier,
               alt = juce::ModifierKeys::altModifier;

    const struct
    {
        bool library;
        std::vector<int> selected;
        int key, mods;
        bool used;
        std::vector<int> selectedAfter;
        int countAfter;
    } cases[] = {
        { false, { 2 }, K::deleteKey, 0, false, { 2 }, 6 },
        { false, { 2 }, K::backspaceKey, 0, false, { 2 }, 6 },
        { true, { 2, 3, 5 }, K::deleteKey, 0, true, { 3 }, 4 },  // the record after the gap stays selected
        { true, { 2 }, K::backspaceKey, 0, true, {}, 5 },
        { true, {}, K::deleteKey, 0, true, {}, 6 },
        { true, { 2 }, K::deleteKey, shift, false, { 2 }, 6 },
        { true, { 2 }, K::deleteKey, ctrl, false, { 2 }, 6 },
        { true, { 2 }, K::deleteKey, alt, false, { 2 }, 6 },
        { false, { 0 }, K::upKey, 0, false, { 0 }, 6 },
        { false, { 4, 5 }, K::upKey, 0, false, { 4, 5 }, 6 },
        { false, { 4 }, K::upKey, 0, true, { 3 }, 6 },
        { true, { 4 }, K::upKey, 0, true, { 3 }, 6 },
        { false, { 4 }, K::upKey, shift, false, { 4 }, 6 },
        { false, {}, K::upKey, 0, false, {}, 6 },
        { false, { 5 }, K::downKey, 0, false, { 5 }, 6 },
        { false, { 1, 2 }, K::downKey, 0, false, { 1, 2 }, 6 },
        { false, {}, K::downKey, 0, true, { 0 }, 6 },
        { true, { 3 }, K::downKey, 0, true, { 4 }, 6 },
        { false, { 3 }, 'a', 0, false, { 3 }, 6 },
    };
    for (const auto& c : cases)
    {
        SoundVector v = makeList (6, ! c.library);
        ListView view (v, ! c.library);
        view.select (c.selected);
        SCOPED_TRACE (testing::Message() << (c.library ? "library" : "user") << " key " << c.key << " mods " << c.mods
                                         << " first selected " << (c.selected.empty() ? -1 : c.selected[0]));

        EXPECT_EQ (view.list.keyPressed (K (c.key, c.mods, 0)), c.used);

        EXPECT_EQ (v.size(), c.countAfter);
        EXPECT_EQ (selectedIndices (v), c.selectedAfter);
        EXPECT_EQ (view.list.getNumSelectedRows(), (int) c.selectedAfter.size());
    }
}

TEST (SoundlistKeys, DeleteOnTheLibraryRemovesOnlyTheFirstRun)
{
    SoundVector v = makeList (6, false);
    ListView view (v, false);
    view.select ({ 2, 3, 5 });

    EXPECT_TRUE (view.list.keyPressed (juce::KeyPress (juce::KeyPress::deleteKey)));

    EXPECT_EQ (namesOf (v), (Names { "s0", "s1", "s4", "s5" }));
    EXPECT_EQ (view.list.getNumRows(), 4);
}

TEST (SoundlistKeys, AnOpenRenameTakesEveryKey)
{
    SoundVector v = makeList (6, false);
    ListView view (v, false);
    view.select ({ 2 });
    doubleClick (view.list, 2);
    ASSERT_NE (view.list.editorLabel, nullptr);

    for (int key : { juce::KeyPress::deleteKey, juce::KeyPress::upKey, juce::KeyPress::downKey })
        EXPECT_TRUE (view.list.keyPressed (juce::KeyPress (key)));
    EXPECT_EQ (v.size(), 6);
    EXPECT_EQ (selectedIndices (v), (std::vector<int> { 2 }));
}

TEST (EraseSounds, ResultsAndWhatIsLeft)
{
    const struct { int first, count, result; Names left; } cases[] = {
        { 5, 1, -1, { "s0", "s1", "s2", "s3", "s4" } },
        { 3, 3, -2, { "s0", "s1", "s2", "s3", "s4" } },
        { 1, 0, 0, { "s0", "s1", "s2", "s3", "s4" } },
        { -1, 1, -1, { "s0", "s1", "s2", "s3", "s4" } },
        { 1, -1, -2, { "s0", "s1", "s2", "s3", "s4" } },
        { 1, 2, 2, { "s0", "s3", "s4" } },
        { 4, 1, 1, { "s0", "s1", "s2", "s3" } },
        { 0, 5, 5, {} },
    };
    for (const auto& c : cases)
    {
        SoundVector v = makeList (5, false);
        EXPECT_EQ (eraseSounds (&v, c.first, c.count), c.result) << c.first << "+" << c.count;
        EXPECT_EQ (namesOf (v), c.left) << c.first << "+" << c.count;
    }
    SoundVector empty;
    EXPECT_EQ (eraseSounds (&empty, 0, 0), -1);
}

TEST (SoundlistDrag, DescriptionNamesTheRowsAndRecordsTheSource)
{
    SoundVector v = makeList (8, false);
    ListView view (v, false);
    dragSourceSounds = nullptr;

    juce::SparseSet<int> rows;
    rows.addRange ({ 3, 6 });
    EXPECT_EQ (view.list.getDragSourceDescription (rows).toString(), "3 4 5");
    EXPECT_EQ (dragSourceSounds, &v);

    juce::var array;
    array.append (1);
    const struct { juce::var description; bool interested; } cases[] = {
        { "3 4", true }, { "", true }, { array, true }, { 7, false }, { juce::var(), false },
    };
    for (const auto& c : cases)
        EXPECT_EQ (view.list.isInterestedInDragSource (dropAt ({ 1, 1 }, c.description)), c.interested)
            << c.description.toString();
}

TEST (SoundlistDrag, EnterAndMoveTrackTheRowAndExitClearsIt)
{
    SoundVector v = makeList (5, true);
    ListView view (v, true);

    view.list.itemDragEnter (dropAt (view.rowPoint (2)));
    EXPECT_EQ (v.dropRow, 2);
    view.list.itemDragMove (dropAt (view.layerPoint (3)));
    EXPECT_EQ (v.dropRow, 3);
    EXPECT_EQ (v.dropX, view.layerPoint (3).x);
    view.list.itemDragMove (dropAt ({ 20, 5 * 16 + 4 }));  // under the last row
    EXPECT_EQ (v.dropRow, -1);
    view.list.itemDragMove (dropAt (view.rowPoint (1)));
    view.list.itemDragExit (dropAt (view.rowPoint (1)));
    EXPECT_EQ (v.dropRow, -1);
}

namespace
{
// The user list and the library as the content page holds them.
struct DropFixture : ::testing::Test
{
    DropFixture()
        : user (makeList (28, true, "u")), lib (makeList (5, false, "l")), userView (user, true), libView (lib, false)
    {
        dragSourceSounds = nullptr;
    }

    void dragFrom (ListView& from, std::initializer_list<int> rows)
    {
        from.select (rows);
        dragged = dragOf (from, rows);
    }

    void dropOn (ListView& to, juce::Point<int> p) { to.list.itemDropped (dropAt (p, dragged)); }

    SoundVector user, lib;
    ListView userView, libView;
    juce::var dragged;
};
} // namespace

TEST_F (DropFixture, LibrarySoundsOverwriteFromTheRowAndAppendPastTheEnd)
{
    dragFrom (libView, { 1, 2, 3 });
    dropOn (userView, userView.rowPoint (26));

    ASSERT_EQ (user.size(), 29);
    EXPECT_STREQ (user[25].nameText(), "u25");
    EXPECT_STREQ (user[26].nameText(), "l1");
    EXPECT_STREQ (user[27].nameText(), "l2");
    EXPECT_STREQ (user[28].nameText(), "l3");
    EXPECT_EQ (userView.list.getNumRows(), 29);
    EXPECT_EQ (user.dropRow, -1);
    EXPECT_EQ (lib.size(), 5);
}

TEST_F (DropFixture, ADropBelowTheLastRowAppends)
{
    dragFrom (libView, { 0 });
    dropOn (userView, { 20, 28 * 16 + 1 });

    ASSERT_EQ (user.size(), 29);
    EXPECT_STREQ (user[28].nameText(), "l0");
    EXPECT_EQ (namesOf (user)[0], "u0");
}

TEST_F (DropFixture, OnTheLayerPartLibrarySoundsBecomeSecondLayersUpToTheEnd)
{
    user[27][SoundRecord::layerMix] = 30;
    dragFrom (libView, { 1, 2, 3 });
    const auto before26 = user[26];

    dropOn (userView, userView.layerPoint (26));

    ASSERT_EQ (user.size(), 28);
    EXPECT_EQ (getLayerName (&user[26]), "l1");
    EXPECT_EQ (getLayerName (&user[27]), "l2");
    EXPECT_EQ (user[26][SoundRecord::layerMix], 64u);  // it had no second layer
    EXPECT_EQ (user[27][SoundRecord::layerMix], 30u);  // its mix stays
    EXPECT_STREQ (user[26].nameText(), "u26");
    EXPECT_EQ (user[26][SoundRecord::engineType], before26[SoundRecord::engineType]);
    EXPECT_EQ (user.dropOnLayer, 1);
}

TEST_F (DropFixture, TheDropPositionDecidesTheLayerPartWhateverWasPaintedLast)
{
    dragFrom (libView, { 1 });
    user.dropOnLayer = 1;  // a stale paint
    dropOn (userView, userView.rowPoint (4));
    EXPECT_STREQ (user[4].nameText(), "l1");

    dragFrom (libView, { 2 });
    user.dropOnLayer = 0;
    dropOn (userView, userView.layerPoint (5));
    EXPECT_STREQ (user[5].nameText(), "u5");
    EXPECT_EQ (getLayerName (&user[5]), "l2");
}

TEST_F (DropFixture, ALayerDropBelowTheRowsDoesNothing)
{
    dragFrom (libView, { 1 });
    const SoundVector before = user;
    dropOn (userView, { userView.list.getVisibleRowWidth() - 4, 28 * 16 + 2 });
    ASSERT_EQ (user.size(), 28);
    for (int i = 0; i < 28; ++i)
        EXPECT_EQ (0, std::memcmp (&user[i].w[12], &before[i].w[12], (359 - 12) * 4)) << i;
}

TEST_F (DropFixture, UserSoundsOntoTheLayerPartWithinTheList)
{
    dragFrom (userView, { 3 });
    dropOn (userView, userView.layerPoint (27));
    EXPECT_EQ (getLayerName (&user[27]), "u3");
    EXPECT_EQ (user.size(), 28);
    EXPECT_EQ (namesOf (user)[3], "u3");
}

TEST_F (DropFixture, UserSoundsGoToTheLibraryOnlyWhenItLacksThem)
{
    lib.append (user[4]);  // the library has u4 already
    libView.list.refresh();
    dragFrom (userView, { 3, 4, 5 });

    dropOn (libView, libView.rowPoint (0));

    EXPECT_EQ (namesOf (lib), (Names { "l0", "l1", "l2", "l3", "l4", "u4", "u3", "u5" }));
    EXPECT_EQ (user.size(), 28);
}

TEST_F (DropFixture, EditedSoundsAreComparedByContent)
{
    // Edits clear the stored fingerprint; two different edited sounds must not pass for one.
    auto edited = [] (const char* name, int value)
    {
        SoundRecord r = makeSound (name);
        r[SoundRecord::engineBlock + 3] = static_cast<uint32_t> (value);
        r[SoundRecord::contentFingerprint] = 0;
        r[SoundRecord::contentFingerprint + 1] = 0;
        return r;
    };
    lib.append (edited ("x", 1));
    libView.list.refresh();
    user[0] = edited ("y", 2);
    user[1] = edited ("x", 1);  // the same content as the library's
    userView.list.refresh();
    dragFrom (userView, { 0, 1 });

    dropOn (libView, libView.rowPoint (0));

    ASSERT_EQ (lib.size(), 7);
    EXPECT_STREQ (lib[6].nameText(), "y");
}

TEST_F (DropFixture, LibraryOntoLibraryAndNoSourceChangeNothing)
{
    const Names before = namesOf (lib);
    libView.list.itemDropped (dropAt (libView.rowPoint (1)));  // no drag has started
    EXPECT_EQ (namesOf (lib), before);

    dragFrom (libView, { 0, 1 });
    dropOn (libView, libView.rowPoint (3));
    EXPECT_EQ (namesOf (lib), before);
}

TEST (SoundlistReorder, SelectedRunMovesToTheDropRow)
{
    const struct { std::vector<int> selected; int row; Names after; } cases[] = {
        { { 1, 2 }, 3, { "s0", "s3", "s4", "s1", "s2" } },
        { { 3 }, 1, { "s0", "s3", "s2", "s1", "s4" } },
        { { 0 }, 0, { "s0", "s1", "s2", "s3", "s4" } },
        { { 3, 4 }, 4, { "s0", "s1", "s2", "s3", "s4" } },   // kept inside the list
        { { 0, 1 }, 4, { "s3", "s4", "s2", "s0", "s1" } },   // clamped to rows 3..4
        { { 0 }, -1, { "s4", "s1", "s2", "s3", "s0" } },     // below the last row: to the end
    };
    for (const auto& c : cases)
    {
        SoundVector v = makeList (5, true);
        ListView view (v, true);
        view.select (c.selected);
        const juce::var dragged = dragOf (view, c.selected);

        const juce::Point<int> at = c.row >= 0 ? view.rowPoint (c.row) : juce::Point<int> (20, 5 * 16 + 3);
        view.list.itemDropped (dropAt (at, dragged));

        EXPECT_EQ (namesOf (v), c.after) << "row " << c.row;
    }
}

TEST (SoundlistReorder, EverySelectionAndTargetGivesAPermutationWithTheRunInPlace)
{
    const int n = 6;
    for (int mask = 1; mask < (1 << n); ++mask)
        for (int row = -1; row <= n; ++row)
        {
            SoundVector v = makeList (n, true);
            ListView view (v, true);
            std::vector<int> selected;
            Names run;
            for (int i = 0; i < n; ++i)
                if (mask & (1 << i))
                {
                    selected.push_back (i);
                    run.push_back ("s" + std::to_string (i));
                }
            view.select (selected);
            const juce::var dragged = dragOf (view, selected);

            const juce::Point<int> at = row >= 0 ? view.rowPoint (row) : juce::Point<int> (20, n * 16 + 3);
            view.list.itemDropped (dropAt (at, dragged));

            const int k = (int) selected.size();
            const int r = (row < 0 || row >= n) ? n - k : std::min (row, n - k);
            SCOPED_TRACE (testing::Message() << "mask " << mask << " row " << row);
            Names after = namesOf (v);
            ASSERT_EQ ((int) after.size(), n);
            EXPECT_EQ (Names (after.begin() + r, after.begin() + r + k), run);
            std::sort (after.begin(), after.end());
            EXPECT_EQ (after, namesOf (makeList (n, true)));
        }
}
