// Bad MIDI from the instrument's side, through the real input callback and two ticks: each must be
// refused without a word, and nothing that the editor holds may change or leave for the instrument.
#include <functional>
#include <random>
#include "tests/badinput/BadInputFixture.h"
#include "library/SoundPanel.h"
#include "editor/EditPanel.h"

namespace
{
MidiBytes cut (MidiBytes m, size_t keep, bool endIt)
{
    m.resize (keep);
    if (endIt)
        m.push_back (0xF7);
    return m;
}

MidiBytes withProgram (MidiBytes m, int program)
{
    m[5] = static_cast<uint8_t> (program);
    return m;
}

MidiBytes ours (int command, size_t length, uint8_t fill)
{
    MidiBytes m (length, fill);
    m[0] = 0xF0;
    m[1] = 0x7D;
    m[2] = 0x2B;
    m[3] = 0x00;
    m[4] = static_cast<uint8_t> (command);
    m.back() = 0xF7;
    return m;
}

MidiBytes junk (unsigned seed, size_t length, uint8_t mask = 0xFF)
{
    std::mt19937 rng (seed);
    MidiBytes m (length);
    for (auto& b : m)
        b = static_cast<uint8_t> (rng() & mask);
    return m;
}

// Random bytes behind our header and a command.
MidiBytes junkFor (int command, unsigned seed, size_t length)
{
    auto m = junk (seed, length);
    const uint8_t head[] = { 0xF0, 0x7D, 0x2B, 0x00, static_cast<uint8_t> (command), 0x05 };
    std::memcpy (m.data(), head, sizeof (head));
    return m;
}

struct BadMidi
{
    const char* what;
    std::vector<MidiBytes> messages;
};

std::vector<BadMidi> badMidiTable()
{
    const auto dump5 = withProgram (factoryDump (9), 5);
    auto badSum = dump5;
    badSum[700] ^= 0x01;
    auto highByte = dump5;
    highByte[40] = 0x93;  // a status byte inside the data
    auto oversized = ours (0x10, 3000, 0x11);
    oversized[5] = 5;
    auto dumpThenJunk = dump5;
    dumpThenJunk.back() = 0x00;  // the F7 goes; junk runs on past the ring's 2048 bytes
    for (auto b : junk (7, 1500, 0x7F))
        dumpThenJunk.push_back (b);
    dumpThenJunk.push_back (0xF7);
    auto randomDump = junkFor (0x10, 11, soundDumpLength);
    randomDump.back() = 0xF7;
    auto wrongModel = dump5;
    wrongModel[2] = 0x2C;

    return {
        { "empty SysEx", { { 0xF0, 0xF7 }, { 0xF0 } } },
        { "header without a command", { { 0xF0, 0x7D, 0x2B, 0xF7 }, { 0xF0, 0x7D, 0x2B, 0x00 } } },
        { "sound dump stopping before its program", { { 0xF0, 0x7D, 0x2B, 0x00, 0x10 } } },
        { "sound dump cut after its program", { cut (dump5, 6, false), cut (dump5, 600, true), cut (dump5, 1200, false) } },
        { "sound dump for the edit buffer cut short", { cut (withProgram (dump5, 127), 600, true) } },
        { "sound dump with a bad checksum", { badSum } },
        { "sound dump with a status byte in its data", { highByte } },
        { "sound dump with the wrong model byte", { wrongModel } },
        { "oversized SysEx carrying the dump command", { oversized } },
        { "dump running on past 2048 bytes", { dumpThenJunk } },
        { "oversized SysEx for the edit buffer", { withProgram (ours (0x10, 4096, 0x22), 127) } },
        { "junk with our header", { randomDump, junkFor (0x10, 12, 300), junkFor (0x10, 13, 5000), junkFor (0x12, 14, 5000) } },
        { "other makers' SysEx", { { 0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7 },
                                   { 0xF0, 0x7D, 0x2C, 0x00, 0x10, 0x05, 0xF7 } } },
        { "commands the editor does not take", { ours (0x11, 1330, 0x01), ours (0x55, 6, 0),
                                                 { 0xF0, 0x7D, 0x2B, 0x7F, 0x00, 0x7F, 0xF7 },
                                                 { 0xF0, 0x7D, 0x2B, 0x7F, 0x02, 0x7F, 0xF7 },
                                                 { 0xF0, 0x7D, 0x2B, 0x00, 0x7A, 0xF7 } } },
        { "global dump of the wrong length", { ours (0x12, 22, 0x05), ours (0x12, 24, 0x05), ours (0x12, 2100, 0x05),
                                               { 0xF0, 0x7D, 0x2B, 0x00, 0x12 } } },
        { "probe answer naming no output", { SimulatedInstrument::probeAnswer (8), SimulatedInstrument::probeAnswer (0x7F),
                                             { 0xF0, 0x7D, 0x2B, 0xFF, 0x7B } } },
        { "Program Changes beyond the 28 programs", { { 0xC0, 28 }, { 0xC5, 0x7F }, { 0xCF, 0xFF } } },
        { "channel messages cut short", { { 0xB0 }, { 0xB3, 0x07 }, { 0xC0 } } },
        { "system and real-time messages", { { 0xF8 }, { 0xFA }, { 0xFF }, { 0xF1, 0x10 }, { 0xF2, 0x01, 0x02 },
                                             { 0xF7 }, { 0xF4, 0xF5 } } },
        { "stray data bytes", { { 0x07, 0x40 }, { 0x00 }, junk (21, 64, 0x7F) } },
    };
}
} // namespace

class BadMidiInput : public BadInputFixture
{
protected:
    // Nothing but the current sound may go out (the tick sends it back once when a dump that
    // parsed replaced it), and it never waits for a pause on the window's thread.
    void expectOnlyTheCurrentSoundWentOut()
    {
        MidiBytes current (soundDumpLength);
        encodeSoundDump (&main->userSounds[0], current.data(), 127);
        const auto sent = kestrane->received();
        for (const auto& m : sent)
            EXPECT_TRUE (m == current) << "a message of " << m.size() << " bytes went out";
        EXPECT_LE (sent.size(), 1u);
    }
};

TEST_F (BadMidiInput, IsRefusedSilentlyAndNothingIsLost)
{
    for (const auto& c : badMidiTable())
    {
        SCOPED_TRACE (c.what);
        const auto before = held();

        for (const auto& m : c.messages)
            kestrane->sendBytes (m);
        ASSERT_TRUE (kestrane->waitUntilIdle());
        tick();
        tick();

        const auto after = held();
        ASSERT_EQ (after.user.size(), before.user.size()) << "a refused dump left a record behind";
        EXPECT_TRUE (after.sameRecords (after.user, before.user, before.user.size())) << "a user record changed";
        ASSERT_EQ (after.library.size(), before.library.size());
        EXPECT_TRUE (after.sameRecords (after.library, before.library, before.library.size())) << "the library changed";
        EXPECT_EQ (std::memcmp (after.global, before.global, GlobalBlock::size), 0) << "the global block changed";
        EXPECT_EQ (after.chosenOutput, before.chosenOutput);
        expectOnlyTheCurrentSoundWentOut();
        EXPECT_EQ (main->userSounds.findCurrent(), 0);

        // Whatever was refused, a good dump still gets through afterwards.
        kestrane->sendBytes (namedDump ("Still Here", 6));
        ASSERT_TRUE (kestrane->waitUntilIdle());
        tick();
        EXPECT_EQ (nameOf (main->userSounds[6]), "Still Here");
        {
            const juce::ScopedLock sl (userSoundsLock);
            main->userSounds.records = before.user;
        }
        main->soundPanel->userList.refresh();
        kestrane->clearReceived();
    }
}

// Control Changes carry no sound of their own: with no sound selected there is nowhere to put
// them, and they must neither land in some record nor reload a page.
TEST_F (BadMidiInput, ControlChangesWithNoCurrentSoundAreDropped)
{
    main->showModelPage();
    {
        const juce::ScopedLock sl (userSoundsLock);
        for (auto& r : main->userSounds.records)
            r.setSelected (false);
    }
    const auto before = held();

    for (int cc : { 7, 22, 30, 31, 73, 127 })
        kestrane->sendCc (cc % 16, cc, 100);
    ASSERT_TRUE (kestrane->waitUntilIdle());
    EXPECT_EQ (ccReceivedCount.load(), 0);
    tick();
    tick();

    const auto after = held();
    ASSERT_EQ (after.user.size(), before.user.size());
    EXPECT_TRUE (after.sameRecords (after.user, before.user, before.user.size()));
    EXPECT_TRUE (kestrane->received().empty());
}

// More dumps than the ring holds arrive before a tick: the ring keeps the first 63 in their order,
// drops the rest, and takes dumps again once drained.
TEST_F (BadMidiInput, FloodOfDumpsBeforeATickKeepsTheFirstSixtyThree)
{
    const int size = main->userSounds.size();
    for (int i = 0; i < 100; ++i)
        kestrane->sendBytes (namedDump (("Flood " + juce::String (i)).toRawUTF8(), 127));
    ASSERT_TRUE (kestrane->waitUntilIdle());
    tick();

    ASSERT_EQ (main->userSounds.size(), size + 63);
    for (int i = 0; i < 63; ++i)
        EXPECT_EQ (nameOf (main->userSounds[size + i]), "Flood " + juce::String (i));
    for (int i = 0; i < size; ++i)
        EXPECT_EQ (std::memcmp (main->userSounds[i].w + 12, main->librarySounds[i].w + 12, 347 * 4), 0)
            << "program " << i << " was overwritten";

    kestrane->sendBytes (namedDump ("After", 3));
    ASSERT_TRUE (kestrane->waitUntilIdle());
    tick();
    EXPECT_EQ (nameOf (main->userSounds[3]), "After");
    expectOnlyTheCurrentSoundWentOut();
}
