// The commands that change the user list or read its records, while the instrument's CCs keep
// arriving on the MIDI thread and are written into the current sound.
#include "tests/commands/CommandsFixture.h"
#include "sound/SoundDump.h"
#include "sound/SoundFile.h"

TEST_F (CommandsTest, ListCommandsAndDumpsStayApartFromIncomingCcs)
{
    auto& user = main->userSounds;
    SoundVector file = user;
    for (int i = 0; i < 6; ++i)
        file.append (renamed (file[i], ("Loaded " + juce::String (i)).toRawUTF8()));
    const auto path = tempFile ("forty.ksx");
    ASSERT_EQ (saveSoundFile (&file, path.getFullPathName().toRawUTF8()), 34 * soundDumpLength);

    selectOnly (user, { 2, 3 });
    selectOnly (main->librarySounds, { 0, 5 });
    dialogs.answerFile = path;
    dialogs.answerDump = FileDialogs::dumpWithPresets;

    for (int round = 0; round < 12; ++round)
    {
        for (int i = 0; i < 40; ++i)
            instrument->sendCc (i % 16, 20 + i % 40, (round * 7 + i) & 0x7F);
        command (8);   // appends: the list's storage moves
        command (6);
        command (7);
        command (0);   // overwrites from record 0, appends what is new
        command (5);   // reads every record for its dump
        ASSERT_TRUE (waitForSender());  // a dump set asked for while one is on the wire is refused
        if (round % 3 == 2)
            instrument->sendProgramChange (0, round % 28);
    }
    ASSERT_TRUE (instrument->waitUntilIdle (20000));
    main->timerCallback();

    EXPECT_EQ (fake.ports.faults(), 0);
    EXPECT_GE (user.size(), 34);
    EXPECT_EQ (nameOf (user[28]), "Loaded 0");
    size_t programDumps = 0;  // edit-buffer sends of the selection (program 127) left out
    for (const auto& d : instrument->receivedSoundDumps())
        programDumps += d.size() > 5 && d[5] < 28 ? 1 : 0;
    EXPECT_EQ (programDumps, 12u * 28u);
}
