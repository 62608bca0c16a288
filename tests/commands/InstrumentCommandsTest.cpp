// The sound request and the soundset dump against the simulated instrument.
#include "tests/commands/CommandsFixture.h"
#include "sound/FactorySoundSet.h"

namespace
{
const MidiBytes soundRequest { 0xF0, 0x7D, 0x2B, 0x7F, 0x00, 0x7F, 0xF7 };

// Byte 1328 of a sound dump: the two's complement of the sum of bytes 1..1327, 7 bits.
MidiBytes withChecksum (MidiBytes d)
{
    unsigned sum = 0;
    for (size_t i = 1; i < 1328; ++i)
        sum += d[i];
    d[1328] = static_cast<uint8_t> ((0u - sum) & 0x7F);
    return d;
}

// Sound i of the compiled-in set as it is stored there: F0 7D 2B 7F 10, program i, ..., F7.
MidiBytes factoryDump (int i)
{
    return MidiBytes (factorySoundSet + i * 1330, factorySoundSet + (i + 1) * 1330);
}

// Sound i of the set as the editor sends it from record r: the stored dump but for the name,
// which the editor may have packed anew (a factory name, space-padded): bytes 6..23 are words
// 12..17 of the record, three 7-bit characters each, in bits 22-16, 14-8 and 6-0.
MidiBytes factoryDumpNamedAs (int i, const SoundRecord& r)
{
    MidiBytes d = factoryDump (i);
    for (size_t k = 0; k < 6; ++k)
        for (size_t c = 0; c < 3; ++c)
            d[6 + 3 * k + c] = static_cast<uint8_t> ((r.w[12 + k] >> (16 - 8 * c)) & 0x7F);
    return withChecksum (d);
}

// The same sound under another name: the 18 name characters are bytes 6..23, NUL-padded.
MidiBytes renamedDump (int i, const std::string& name)
{
    MidiBytes d = factoryDump (i);
    for (size_t k = 0; k < 18; ++k)
        d[6 + k] = k < name.size() ? static_cast<uint8_t> (name[k]) : 0;
    return withChecksum (d);
}
}

TEST_F (CommandsTest, RequestBringsTheInstrumentsSoundsIntoTheUserList)
{
    // The instrument holds other sounds than the editor's factory set.
    for (int p = 0; p < 28; ++p)
        instrument->programs[static_cast<size_t> (p)] = renamedDump (p, "Inst " + std::to_string (p));

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
    EXPECT_EQ (main->sender.waiting(), 0);
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
    // The user list starts as the compiled-in set, whose dumps carry their program numbers.
    const auto factory = snapshot (main->userSounds);
    for (const auto& c : cases)
    {
        auto& user = main->userSounds;
        user.records.assign (factory.begin(), factory.end());
        while (user.size() < c.listSize)
            user.append (renamed (user[0], "Beyond"));
        user.records.resize (static_cast<size_t> (c.listSize));
        sentSinceLast();
        ScopedVirtualClock::clear();

        dialogs.answerDump = c.answer;
        command (5);

        const auto sent = sentSinceLast();
        const int expected = c.lastProgram - c.firstProgram + 1;
        ASSERT_EQ (static_cast<int> (sent.size()), expected) << "answer " << c.answer << ", list " << c.listSize;
        for (int i = 0; i < expected; ++i)
        {
            const int p = c.firstProgram + i;
            ASSERT_EQ (sent[static_cast<size_t> (i)].size(), 1330u);
            EXPECT_EQ (sent[static_cast<size_t> (i)][5], p);
            EXPECT_EQ (sent[static_cast<size_t> (i)], factoryDumpNamedAs (p, user[p])) << "program " << p;
        }
        // Each at least 200 ms after the one before, and no earlier than the cable allows.
        const auto at = fake.ports.sentTimes (outputId);
        for (size_t k = at.size() - static_cast<size_t> (expected) + 1; expected > 1 && k < at.size(); ++k)
            EXPECT_GE (at[k] - at[k - 1], std::max<int64_t> (200000, 1330 * 320));
    }
}
