// Loading and saving the two lists through the file dialogs, with real files.
#include "tests/commands/CommandsFixture.h"
#include "library/SoundPanel.h"
#include "sound/SoundDump.h"
#include "sound/SoundFile.h"

namespace
{
juce::String questionText (const ScriptedDialogs::Question& q)
{
    return q.kind + " " + q.title + " " + q.patterns;
}
}

TEST_F (CommandsTest, FileCommandsAskWithTheirTitlesAndPatterns)
{
    const char* const expected[4] = {
        "open Load K content... *.ksx;*.mid",
        "save Save K content... *.ksx",
        "open Load K lib... *.ksx;*.mid",
        "save Save K lib... *.ksx",
    };
    for (int id = 0; id < 4; ++id)
    {
        dialogs.asked.clear();
        command (id);
        ASSERT_EQ (dialogs.asked.size(), 1u) << "command " << id;
        EXPECT_EQ (questionText (dialogs.asked[0]), expected[id]) << "command " << id;
    }
}

TEST_F (CommandsTest, CancelledDialogReadsAndWritesNothing)
{
    const auto user = snapshot (main->userSounds);
    const auto library = snapshot (main->librarySounds);
    dialogs.answerFile = juce::File();
    for (int id = 0; id < 4; ++id)
        command (id);

    EXPECT_EQ (dialogs.asked.size(), 4u);
    EXPECT_TRUE (sameSounds (main->userSounds, user));
    EXPECT_TRUE (sameSounds (main->librarySounds, library));
    EXPECT_EQ (folder.getNumberOfChildFiles (juce::File::findFilesAndDirectories), 0);
    EXPECT_TRUE (sentSinceLast().empty());
}

TEST_F (CommandsTest, SavedContentLoadsBackIntoTheUserList)
{
    auto& user = main->userSounds;
    setSoundName (&user[5], "Kept Sound");
    dialogs.answerFile = tempFile ("content.ksx");
    command (1);
    ASSERT_EQ (dialogs.answerFile.getSize(), 28 * soundDumpLength);
    const auto saved = snapshot (user);  // saving normalises the records it writes

    // Overwrite one sound and add one; loading content overwrites from record 0 on.
    setSoundName (&user[5], "Changed");
    user.append (renamed (user[0], "Extra"));
    command (0);

    ASSERT_EQ (user.size(), 29);
    for (int i = 0; i < 28; ++i)
        EXPECT_TRUE (sameSound (user[i], saved[static_cast<size_t> (i)])) << "record " << i;
    EXPECT_EQ (nameOf (user[5]), "Kept Sound");
}

TEST_F (CommandsTest, LoadedContentBeyondTheListIsAppendedAndShown)
{
    SoundVector file = main->userSounds;
    file.append (renamed (file[0], "New One"));
    file.append (renamed (file[1], "New Two"));
    const auto path = tempFile ("thirty.ksx");
    ASSERT_EQ (saveSoundFile (&file, path.getFullPathName().toRawUTF8()), 30 * soundDumpLength);

    dialogs.answerFile = path;
    command (0);

    ASSERT_EQ (main->userSounds.size(), 30);
    EXPECT_EQ (nameOf (main->userSounds[28]), "New One");
    EXPECT_EQ (nameOf (main->userSounds[29]), "New Two");
    EXPECT_EQ (main->soundPanel->userList.getNumRows(), 30);
}

TEST_F (CommandsTest, LibraryLoadAppendsOnlySoundsItDoesNotHold)
{
    // Saving normalises the library's own records, so the file's copies match them.
    dialogs.answerFile = tempFile ("before.ksx");
    command (3);
    SoundVector file = main->librarySounds;
    file.append (renamed (file[3], "Library Newcomer"));
    const auto path = tempFile ("lib.ksx");
    ASSERT_EQ (saveSoundFile (&file, path.getFullPathName().toRawUTF8()), 29 * soundDumpLength);

    dialogs.answerFile = path;
    command (2);
    ASSERT_EQ (main->librarySounds.size(), 29);
    EXPECT_EQ (nameOf (main->librarySounds[28]), "Library Newcomer");
    EXPECT_EQ (main->soundPanel->libraryList.getNumRows(), 29);

    command (2);
    EXPECT_EQ (main->librarySounds.size(), 29);
}

TEST_F (CommandsTest, SavedLibraryHoldsEveryRecordInOrder)
{
    main->librarySounds.append (renamed (main->librarySounds[0], "Extra"));
    dialogs.answerFile = tempFile ("library.ksx");
    command (3);

    SoundVector back;
    ASSERT_EQ (loadSoundFile (&back, dialogs.answerFile.getFullPathName().toRawUTF8(), true), 29);
    ASSERT_EQ (back.size(), 29);
    EXPECT_EQ (nameOf (back[28]), "Extra");
}

TEST_F (CommandsTest, UnreadableFilesLeaveTheListsAsTheyWere)
{
    const auto garbage = tempFile ("garbage.ksx");
    juce::MemoryBlock junk;
    for (int i = 0; i < 4000; ++i)
        junk.append ("\xF0\x41\x10\x7D\x01", 5);  // starts of messages that are no sound dumps
    ASSERT_TRUE (garbage.replaceWithData (junk.getData(), junk.getSize()));
    const juce::File files[] = { tempFile ("missing.ksx"), garbage, folder };

    const auto user = snapshot (main->userSounds);
    const auto library = snapshot (main->librarySounds);
    for (const auto& f : files)
    {
        dialogs.answerFile = f;
        command (0);
        command (2);
        EXPECT_TRUE (sameSounds (main->userSounds, user)) << f.getFileName();
        EXPECT_TRUE (sameSounds (main->librarySounds, library)) << f.getFileName();
    }
    EXPECT_EQ (main->soundPanel->userList.getNumRows(), 28);
}

TEST_F (CommandsTest, FailedSaveKeepsTheOldFile)
{
    const auto path = tempFile ("old.ksx");
    ASSERT_TRUE (path.replaceWithText ("the old file"));

    main->librarySounds.records.clear();  // an empty list cannot be saved
    dialogs.answerFile = path;
    command (3);
    EXPECT_EQ (path.loadFileAsString(), "the old file");

    dialogs.answerFile = tempFile ("no-such-folder").getChildFile ("x.ksx");
    command (1);
    EXPECT_FALSE (dialogs.answerFile.exists());
    EXPECT_EQ (main->userSounds.size(), 28);
}
