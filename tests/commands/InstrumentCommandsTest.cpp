// The sound request and the soundset dump against the simulated instrument.
#include "tests/commands/CommandsFixture.h"
#include "sound/SoundDump.h"

namespace
{
const MidiBytes soundRequest { 0xF0, 0x7D, 0x2B, 0x7F, 0x00, 0x7F, 0xF7 };

MidiBytes encoded (const SoundRecord& r, int program)
{
    MidiBytes out (soundDumpLength);
    encodeSoundDump (&r, out.data(), static_cast<uint8_t> (program));
    return out;
}
}

TEST_F (CommandsTest, RequestBringsTheInstrumentsSoundsIntoTheUserList)
{
    // The instrument holds other sounds than the editor's factory set.
    for (int p = 0; p < 28; ++p)
        instrument->programs[static_cast<size_t> (p)]
            = encoded (renamed (main->userSounds[p], ("Inst " + juce::String (p)).toRawUTF8()), p);

    command (4);
    ASSERT_TRUE (instrument->waitUntilIdle());
    const auto got = instrument->received();
    ASSERT_EQ (got.size(), 1u);
    EXPECT_EQ (got[0], soundRequest);

    for (int tick = 0; tick < 3; ++tick)
        main->timerCallback();
    ASSERT_EQ (main->userSounds.size(), 28);
    for (int p = 0; p < 28; ++p)
        EXPECT_EQ (nameOf (main->userSounds[p]), "Inst " + juce::String (p));
}

TEST_F (CommandsTest, WithoutAnAnsweringInstrumentRequestAndDumpSendNothing)
{
    main->chosenOutput = -1;
    dialogs.answerDump = FileDialogs::dumpWithPresets;
    command (4);
    command (5);

    EXPECT_TRUE (sentSinceLast().empty());
    ASSERT_EQ (dialogs.asked.size(), 1u);  // the question is asked all the same
    EXPECT_EQ (dialogs.asked[0].kind, "dump");
    EXPECT_TRUE (ScopedPauseRecorder::pauses().empty());
}

TEST_F (CommandsTest, SoundsetDumpSendsEachSlotWithItsProgramAndPause)
{
    struct Case { int answer; int listSize; int firstProgram; int lastProgram; };
    const Case cases[] = {
        { FileDialogs::dumpUserBanks,   28, 7, 27 },
        { FileDialogs::dumpWithPresets, 28, 0, 27 },
        { FileDialogs::dumpUserBanks,   20, 7, 19 },
        { FileDialogs::dumpWithPresets, 30, 0, 27 },  // records past the 28 programs stay home
        { FileDialogs::dumpCancelled,   28, 0, -1 },
    };
    const auto factory = snapshot (main->userSounds);
    for (const auto& c : cases)
    {
        auto& user = main->userSounds;
        user.records.assign (factory.begin(), factory.end());
        while (user.size() < c.listSize)
            user.append (renamed (user[0], "Beyond"));
        user.records.resize (static_cast<size_t> (c.listSize));
        sentSinceLast();
        ScopedPauseRecorder::clear();

        dialogs.answerDump = c.answer;
        command (5);

        const auto sent = sentSinceLast();
        const int expected = c.lastProgram - c.firstProgram + 1;
        ASSERT_EQ (static_cast<int> (sent.size()), expected) << "answer " << c.answer << ", list " << c.listSize;
        for (int i = 0; i < expected; ++i)
        {
            const int p = c.firstProgram + i;
            ASSERT_EQ (sent[static_cast<size_t> (i)].size(), static_cast<size_t> (soundDumpLength));
            EXPECT_EQ (sent[static_cast<size_t> (i)][5], p);
            EXPECT_EQ (sent[static_cast<size_t> (i)], encoded (user[p], p)) << "program " << p;
        }
        EXPECT_EQ (ScopedPauseRecorder::pauses(), std::vector<int> (static_cast<size_t> (expected), 200));
    }
}
