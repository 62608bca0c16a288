// Moves, copies, the content page's buttons and the ids that nothing handles.
#include "tests/commands/CommandsFixture.h"
#include "controls/zbutton.h"
#include "library/SoundPanel.h"
#include "sound/SoundDump.h"

namespace
{
std::vector<SoundRecord> permuted (const std::vector<SoundRecord>& before, std::vector<int> order)
{
    std::vector<SoundRecord> out = before;
    for (size_t i = 0; i < order.size(); ++i)
        out[i] = before[static_cast<size_t> (order[i])];
    return out;
}
}

TEST_F (CommandsTest, UpAndDownMoveTheSelectedUserSoundsAtTheEdges)
{
    struct Case
    {
        std::initializer_list<int> selected;
        int id;
        std::vector<int> headOrder;  // new order of the first records; the rest stay
        int tailFrom;                // or, when >= 0, the swap of the last two records
        std::vector<int> selectedAfter;
    };
    const Case cases[] = {
        { { 0, 1 }, 6, { 0, 1, 2 }, -1, { 0, 1 } },
        { { 0, 1 }, 7, { 2, 0, 1 }, -1, { 1, 2 } },
        { { 27 },   7, { 0 },       -1, { 27 } },
        { { 27 },   6, { 0 },       26, { 26 } },
        { {},       6, { 0 },       -1, {} },
        { {},       7, { 0 },       -1, {} },
    };
    const auto factory = snapshot (main->userSounds);
    for (const auto& c : cases)
    {
        auto& user = main->userSounds;
        user.records.assign (factory.begin(), factory.end());
        selectOnly (user, c.selected);
        main->soundPanel->userList.refresh();

        command (c.id);

        std::vector<int> order;
        for (int i = 0; i < 28; ++i)
            order.push_back (i);
        for (size_t i = 0; i < c.headOrder.size(); ++i)
            order[i] = c.headOrder[i];
        if (c.tailFrom >= 0)
            std::swap (order[static_cast<size_t> (c.tailFrom)], order[static_cast<size_t> (c.tailFrom + 1)]);
        EXPECT_TRUE (sameSounds (user, permuted (factory, order))) << "command " << c.id;

        std::vector<int> rows;
        for (int r = 0; r < 28; ++r)
            if (main->soundPanel->userList.isRowSelected (r))
                rows.push_back (r);
        EXPECT_EQ (rows, c.selectedAfter) << "command " << c.id;
    }
}

TEST_F (CommandsTest, LeftCopiesSelectedLibrarySoundsIntoSelectedSlotsThenAppends)
{
    auto& user = main->userSounds;
    auto& library = main->librarySounds;
    library[1] = renamed (library[1], "Lib One");
    library[4] = renamed (library[4], "Lib Four");
    library[5] = renamed (library[5], "Lib Five");
    selectOnly (library, { 1, 4, 5 });
    selectOnly (user, { 3, 10 });
    const auto before = snapshot (user);

    command (8);

    ASSERT_EQ (user.size(), 29);
    EXPECT_EQ (nameOf (user[3]), "Lib One");
    EXPECT_EQ (nameOf (user[10]), "Lib Four");
    EXPECT_EQ (nameOf (user[28]), "Lib Five");
    for (int i : { 0, 1, 2, 4, 9, 11, 27 })
        EXPECT_TRUE (sameSound (user[i], before[static_cast<size_t> (i)])) << "record " << i;
    EXPECT_EQ (main->soundPanel->userList.getNumRows(), 29);
    // The refresh restores the selection, whose first sound is new: it goes to the edit buffer once.
    const auto sent = sentSinceLast();
    ASSERT_EQ (sent.size(), 1u);
    ASSERT_EQ (sent[0].size(), 1330u);
    EXPECT_EQ (sent[0][5], 127);
    SoundRecord got;
    initSoundRecord (&got);
    ASSERT_GE (parseSoundDump (&got, sent[0].data()), 0);
    EXPECT_EQ (nameOf (got), "Lib One");
}

TEST_F (CommandsTest, RightAppendsSelectedUserSoundsTheLibraryLacks)
{
    auto& user = main->userSounds;
    user[6] = renamed (user[6], "Only In User");
    selectOnly (user, { 5, 6 });

    command (9);
    ASSERT_EQ (main->librarySounds.size(), 29);
    EXPECT_EQ (nameOf (main->librarySounds[28]), "Only In User");
    EXPECT_EQ (main->soundPanel->libraryList.getNumRows(), 29);

    command (9);
    EXPECT_EQ (main->librarySounds.size(), 29);
}

TEST_F (CommandsTest, EditedSoundsReachTheLibraryThatHoldsTheirOriginal)
{
    // The library starts with the factory set, so every user sound's original is there. These edits
    // change a sound without renewing its stored fingerprint: an FM bar, the Effects knobs on CCs 89
    // and 17 (no conversion row), the engine (CC 22). Unedited, a sound stays out.
    struct Edit { const char* what; int cc; int value; };
    const Edit edits[] = {
        { "FM bar CC 60", 60, 1 },
        { "Effects knob CC 89", 89, 101 },
        { "Effects knob CC 17", 17, 99 },
        { "engine CC 22", 22, -1 },  // the next engine after the sound's own
        { "no edit", -1, 0 },
    };
    enum Route { byButton, dropOnLibrary };

    auto& user = main->userSounds;
    auto& library = main->librarySounds;
    int sound = 0;
    for (const Route route : { byButton, dropOnLibrary })
        for (const auto& e : edits)
        {
            SCOPED_TRACE (testing::Message() << e.what << (route == byButton ? ", copy to library" : ", drop on the library"));
            const int i = sound++;
            main->soundPanel->userList.selectRow (i);
            ASSERT_TRUE (sameSound (user[i], library[i]));

            if (e.cc >= 0)
            {
                const int engine = static_cast<int> (user[i][SoundRecord::engineType]);
                instrument->sendCc (0, e.cc, e.value >= 0 ? e.value : (engine + 1) % 3);
                ASSERT_TRUE (instrument->waitUntilIdle());
                ASSERT_FALSE (sameSound (user[i], library[i]));
            }

            const int before = library.size();
            copyToLibrary (i, route == dropOnLibrary);

            if (e.cc < 0)
            {
                EXPECT_EQ (library.size(), before);
                continue;
            }
            EXPECT_EQ (library.size(), before + 1);
            EXPECT_TRUE (library.size() > before && sameSound (library[before], user[i]));
        }
}

// A user sound that differs from a library sound by 1 in word 20 and by 2 in word 21 has the same
// fingerprint (the first change, shifted once by the next step, is undone by the second); it is
// another sound all the same, and "Copy to library" and a drop on the library add it.
TEST_F (CommandsTest, ASoundThatSharesAFingerprintIsCopiedToTheLibrary)
{
    auto& user = main->userSounds;
    auto& library = main->librarySounds;
    for (const bool drop : { false, true })
    {
        SCOPED_TRACE (drop ? "drop on the library" : "copy to library");
        const int i = drop ? 4 : 3;
        library[i][20] = 0;
        library[i][21] = 0;
        computeFingerprint (&library[i]);
        user[i] = library[i];
        user[i][20] = 1;
        user[i][21] = 2;
        computeFingerprint (&user[i]);
        ASSERT_EQ (user[i].fingerprintLow(), library[i].fingerprintLow());
        ASSERT_EQ (user[i].fingerprintHigh(), library[i].fingerprintHigh());
        main->soundPanel->userList.selectRow (i);

        const int before = library.size();
        copyToLibrary (i, drop);
        ASSERT_EQ (library.size(), before + 1);
        EXPECT_EQ (library[before][20], 1u);
        EXPECT_EQ (library[before][21], 2u);
    }
}

TEST_F (CommandsTest, ContentPageButtonsRunTheirCommands)
{
    // Each button is clicked as the user would; what it asks or sends tells which command ran.
    struct Case { const char* name; const char* asked; };
    const Case cases[] = {
        { "LoadSet", "open Load K content..." },
        { "SaveSet", "save Save K content..." },
        { "LoadLib", "open Load K lib..." },
        { "SaveLib", "save Save K lib..." },
        { "DumpSet", "dump " },
    };
    auto* panel = main->soundPanel;
    auto find = [panel] (const char* name) -> juce::Button*
    {
        for (auto* b : panel->buttons)
            if (b != nullptr && b->getName() == name)
                return b;
        return nullptr;
    };
    for (const auto& c : cases)
    {
        dialogs.asked.clear();
        auto* b = find (c.name);
        ASSERT_NE (b, nullptr) << c.name;
        b->triggerClick();
        pumpMessageLoop (30);
        ASSERT_EQ (dialogs.asked.size(), 1u) << c.name;
        EXPECT_EQ (dialogs.asked[0].kind + " " + dialogs.asked[0].title, c.asked) << c.name;
    }

    find ("ReqSet")->triggerClick();
    pumpMessageLoop (30);
    ASSERT_TRUE (instrument->waitUntilIdle());
    EXPECT_EQ (instrument->received().size(), 1u);

    selectOnly (main->userSounds, { 0, 1 });
    main->soundPanel->userList.refresh();
    const auto before = snapshot (main->userSounds);
    find ("Down")->triggerClick();
    pumpMessageLoop (30);
    EXPECT_TRUE (sameSound (main->userSounds[0], before[2]));
    find ("Up")->triggerClick();
    pumpMessageLoop (30);
    EXPECT_TRUE (sameSounds (main->userSounds, before));

    main->userSounds[0] = renamed (main->userSounds[0], "Goes Right");
    selectOnly (main->userSounds, { 0 });
    find ("Rigth")->triggerClick();
    pumpMessageLoop (30);
    EXPECT_EQ (main->librarySounds.size(), 29);

    selectOnly (main->librarySounds, { 28 });
    selectOnly (main->userSounds, {});
    find ("Left")->triggerClick();
    pumpMessageLoop (30);
    EXPECT_EQ (main->userSounds.size(), 29);
}

TEST_F (CommandsTest, UnknownIdsPrintOneLineEachAndChangeNothing)
{
    const auto user = snapshot (main->userSounds);
    const auto library = snapshot (main->librarySounds);
    for (int id : { 10, 25, 20, -1 })
    {
        testing::internal::CaptureStdout();
        command (id);
        EXPECT_EQ (testing::internal::GetCapturedStdout(),
                   "cmd " + std::to_string (id) + " not handled\n");
    }
    EXPECT_TRUE (sameSounds (main->userSounds, user));
    EXPECT_TRUE (sameSounds (main->librarySounds, library));
    EXPECT_TRUE (dialogs.asked.empty());
    EXPECT_TRUE (sentSinceLast().empty());
}

TEST_F (CommandsTest, PageButtonsSwitchOnceForTheButtonTurnedOn)
{
    auto editBufferSends = [this]
    {
        int n = 0;
        for (const auto& m : sentSinceLast())
            n += m.size() == 1330 && m[5] == 127 ? 1 : 0;
        return n;
    };
    auto click = [this] (int i)
    {
        main->mainButtons[i]->triggerClick();
        pumpMessageLoop (30);
    };
    selectOnly (main->userSounds, { 0 });
    main->soundPanel->userList.refresh();
    editBufferSends();

    click (2);  // Sound
    EXPECT_EQ (editBufferSends(), 1);
    EXPECT_TRUE (main->editPanel != nullptr || main->fmPanel != nullptr || main->samplePanel != nullptr);

    click (3);  // Effects: "Sound" going off switches nothing
    EXPECT_EQ (editBufferSends(), 0);
    EXPECT_NE (main->fxPanel, nullptr);

    click (2);
    EXPECT_EQ (editBufferSends(), 1);
    click (1);  // Content
    EXPECT_EQ (editBufferSends(), 1);  // the lists' refresh restores the selection and so sends it
    EXPECT_EQ (main->soundPanel->getParentComponent(), main.get());
    EXPECT_EQ (main->fxPanel, nullptr);
    EXPECT_EQ (shownEnginePage, -1);

    click (2);
    click (2);  // the button that is already on: a new page, the sound sent again
    EXPECT_EQ (editBufferSends(), 2);
}
