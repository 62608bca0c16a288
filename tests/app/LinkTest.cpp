// The link to the instrument against the simulated Kestrane: ports, probe, ring, Program Change,
// CCs, the global block and the channel of outgoing CCs.
#include <chrono>
#include <cstring>
#include <thread>
#include "tests/app/LinkFixture.h"
#include "editor/EditPanel.h"
#include "editor/FmPanel.h"
#include "controls/zpot.h"
#include "sound/CcConversion.h"

using Link = LinkFixture;

static juce::String nameOf (const SoundRecord& r) { return juce::String (r.nameText()).trimEnd(); }

static int engineOf (const SoundRecord& r) { return static_cast<int> (r[SoundRecord::engineType]); }

static int firstWithEngine (SoundVector& list, int engine)
{
    for (int i = 0; i < list.size(); ++i)
        if (engineOf (list[i]) == engine)
            return i;
    return -1;
}

// F0 7D 2B, device 0, command 12, transpose 40, tune 40, OMNI, 7F, pedal 0, level 0, bytes 11..20
// zero, the checksum of bytes 1..19 (0x1C9: 0x37), F7.
static const MidiBytes compiledInGlobalBlock { 0xF0, 0x7D, 0x2B, 0x00, 0x12, 0x40, 0x40, 0x10, 0x7F, 0x00, 0x00,
                                               0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x37, 0xF7 };

static void selectOnly (SoundVector& list, int index)
{
    const juce::ScopedLock sl (userSoundsLock);
    for (int i = 0; i < list.size(); ++i)
        list[i].setSelected (i == index);
}

//==============================================================================
TEST_F (Link, FirstTickOpensUpToEightPortsAndProbesEachOutput)
{
    struct Case { int inputs, outputs; };
    for (auto c : { Case { 0, 0 }, Case { 1, 3 }, Case { 4, 1 }, Case { 9, 10 } })
    {
        SCOPED_TRACE (testing::Message() << c.inputs << " in, " << c.outputs << " out");
        ScopedFakeMidiPorts local;
        auto& p = local.ports;
        p.setInputCount (c.inputs);
        p.setOutputCount (c.outputs);
        auto m = std::make_unique<MainContentComponent>();
        m->setVisible (true);

        EXPECT_EQ (p.openInputCount(), 0);
        EXPECT_EQ (p.openOutputCount(), 0);
        EXPECT_EQ (p.sendCount(), 0);

        m->timerCallback();
        ASSERT_TRUE (waitForSender());

        EXPECT_EQ (p.openInputCount(), std::min (c.inputs, 8));
        EXPECT_EQ (p.openOutputCount(), std::min (c.outputs, 8));
        for (int i = 0; i < c.inputs; ++i)
            EXPECT_EQ (p.isInputStarted (p.inputIdAt (i)), i < 8) << "input " << i;
        for (int i = 0; i < c.outputs; ++i)
        {
            const auto sent = p.sentTo (p.outputIdAt (i));
            if (i < 8)
                EXPECT_EQ (sent, std::vector<MidiBytes> { probe (i) }) << "output " << i;
            else
                EXPECT_TRUE (sent.empty()) << "output " << i;
        }
        EXPECT_EQ (m->chosenOutput.load(), -1);  // nobody answered

        // Same counts: nothing is opened or probed again.
        m->timerCallback();
        EXPECT_EQ (p.inputOpens(), std::min (c.inputs, 8));
        EXPECT_EQ (p.outputOpens(), std::min (c.outputs, 8));
        m.reset();
        EXPECT_EQ (p.openInputCount() + p.openOutputCount(), 0);
    }
}

TEST_F (Link, AnswerChoosesItsOutputAndFetchesTheGlobalBlockOnce)
{
    start (2, 3, 2, 1);
    tick();

    EXPECT_EQ (main->chosenOutput.load(), 2);
    EXPECT_EQ (ports.sentTo (ports.outputIdAt (2)), (std::vector<MidiBytes> { probe (2), globalRequest }));
    EXPECT_EQ (ports.sentTo (ports.outputIdAt (0)), std::vector<MidiBytes> { probe (0) });
    EXPECT_EQ (ports.sentTo (ports.outputIdAt (1)), std::vector<MidiBytes> { probe (1) });

    uint8_t block[GlobalBlock::size];
    globalBlock.copyTo (block);
    EXPECT_EQ (MidiBytes (block, block + GlobalBlock::size), kestrane->globalDump);

    // From now on every send goes to that output.
    const uint8_t cc[3] = { 0xB0, 7, 100 };
    sendMidi (cc, 3);
    ASSERT_TRUE (kestrane->waitUntilIdle());
    EXPECT_EQ (kestrane->receivedCcs().size(), 1u);
}

TEST_F (Link, NothingButProbesLeavesBeforeAnAnswer)
{
    start (1, 2, 1, 0);
    kestrane->answersProbes = false;
    tick();
    ASSERT_EQ (main->chosenOutput.load(), -1);
    const int probes = ports.sendCount();
    EXPECT_EQ (probes, 2);

    const uint8_t cc[3] = { 0xB0, 7, 100 };
    sendMidi (cc, 3);
    sendSelectedSound();
    globalSendCountdown = 1;
    tick();  // masks and checksums, sends nothing

    EXPECT_EQ (ports.sendCount(), probes);
    EXPECT_EQ (main->sender.waiting(), 0);  // nor does anything wait for an answer
}

TEST_F (Link, ProbeAnswersOnlyNameOutputsZeroToSeven)
{
    struct Case { int device; int chosen; bool requestSent; };
    // Output 6 is not open (3 outputs): chosen, but nothing can be sent on it.
    for (auto c : { Case { 1, 1, true }, Case { 6, 6, false }, Case { 8, -1, false }, Case { 9, -1, false } })
    {
        SCOPED_TRACE (c.device);
        start (1, 3, -1);
        main->timerCallback();
        ASSERT_TRUE (waitForSender());
        ports.clearSent();

        const auto answer = SimulatedInstrument::probeAnswer (c.device);
        ports.deliver (ports.inputIdAt (0), answer.data(), static_cast<int> (answer.size()));
        ASSERT_TRUE (waitForSender());

        EXPECT_EQ (main->chosenOutput.load(), c.chosen);
        EXPECT_EQ (ports.sendCount(), c.requestSent ? 1 : 0);
        if (c.requestSent)
            EXPECT_EQ (ports.sentTo (ports.outputIdAt (c.device)), std::vector<MidiBytes> { globalRequest });
        main.reset();
        resetLinkState();
    }
}

TEST_F (Link, FailedOpensAreSkipped)
{
    ports.setInputCount (2);
    ports.setOutputCount (3);
    ports.setInputFails (ports.inputIdAt (0), true);
    ports.setOutputFails (ports.outputIdAt (1), true);
    kestrane = std::make_unique<SimulatedInstrument> (ports, ports.outputIdAt (2), ports.inputIdAt (1));
    main = std::make_unique<MainContentComponent>();
    main->setVisible (true);
    tick();

    EXPECT_FALSE (ports.isInputOpen (ports.inputIdAt (0)));
    EXPECT_TRUE (ports.isInputStarted (ports.inputIdAt (1)));
    EXPECT_FALSE (ports.isOutputOpen (ports.outputIdAt (1)));
    EXPECT_TRUE (ports.sentTo (ports.outputIdAt (1)).empty());
    EXPECT_FALSE (main->isOutputOpen (1));
    EXPECT_EQ (main->chosenOutput.load(), 2);

    // An answer naming the output that failed leaves every send with nowhere to go.
    ports.clearSent();
    const auto answer = SimulatedInstrument::probeAnswer (1);
    ports.deliver (ports.inputIdAt (1), answer.data(), 6);
    ASSERT_EQ (main->chosenOutput.load(), 1);
    const uint8_t cc[3] = { 0xB0, 1, 2 };
    sendMidi (cc, 3);
    EXPECT_EQ (ports.sendCount(), 0);
}

//==============================================================================
// The chosen output is the instrument's device, wherever a rescan puts it; it is none only when
// that device has gone, so that nothing meant for the instrument reaches another device.
TEST_F (Link, OutputRescanKeepsTheChosenOutputOnItsDevice)
{
    start (1, 3, 2, 0);
    tick();
    ASSERT_EQ (main->chosenOutput.load(), 2);
    const int instrument = ports.outputIdAt (2);

    // One output exchanged for another: the count is the same, nothing is opened.
    const int opens = ports.outputOpens();
    ports.removeOutput (ports.outputIdAt (0));
    ports.addOutput();
    tick();
    EXPECT_EQ (ports.outputOpens(), opens);
    EXPECT_EQ (main->chosenOutput.load(), 2);

    // Keep it silent to see what the rescan alone does.
    kestrane->answersProbes = false;

    // Growing probes all of them again; the instrument is output 1 now, and stays the chosen one.
    ports.clearSent();
    ports.addOutput();
    tick();
    ASSERT_EQ (ports.outputIdAt (1), instrument);
    EXPECT_EQ (main->chosenOutput.load(), 1);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ (ports.sentTo (ports.outputIdAt (i)).front(), probe (i)) << i;
    ports.clearSent();
    const uint8_t cc[3] = { 0xB0, 1, 2 };
    sendMidi (cc, 3);
    ASSERT_TRUE (kestrane->waitUntilIdle());
    EXPECT_EQ (ports.sentTo (instrument).size(), 1u);
    EXPECT_EQ (ports.sendCount(), 1);

    // Shrinking behind it keeps it.
    ports.setOutputCount (2);
    tick();
    EXPECT_EQ (main->chosenOutput.load(), 1);

    // Its device gone: none, and nothing goes out.
    ports.removeOutput (instrument);
    tick();
    EXPECT_EQ (main->chosenOutput.load(), -1);
    const int sends = ports.sendCount();
    sendMidi (cc, 3);
    ASSERT_TRUE (waitForSender());
    EXPECT_EQ (ports.sendCount(), sends);
}

TEST_F (Link, InputRescanReopensEveryInputWhenTheCountChanges)
{
    start (2, 1, 0, 1);
    tick();
    EXPECT_EQ (ports.inputOpens(), 2);

    ports.addInput();
    tick();
    EXPECT_EQ (ports.inputOpens(), 5);  // all closed, three opened
    EXPECT_EQ (ports.openInputCount(), 3);

    // The instrument's input is still heard.
    fromInstrument ({ 0xC3, 4 });
    EXPECT_EQ (pendingProgram.load(), 4);
}

// The backend's input thread stops when the last started input stops, and a start right after
// does not bring it back (JUCE's ALSA client; the fake ports do the same). An instrument unplugged
// and plugged back beside one other input ("Midi Through") must still be heard afterwards.
TEST_F (Link, AnInstrumentPluggedBackBesideOneOtherInputIsHeard)
{
    start (2, 2, 1, 1);
    tick();
    const int instrumentIn = ports.inputIdAt (1);
    ports.removeInput (instrumentIn);
    tick();
    ports.plugInput (instrumentIn);
    tick();
    std::this_thread::sleep_for (std::chrono::milliseconds (150));  // the thread would be gone by now

    fromInstrument ({ 0xC0, 6 });
    EXPECT_EQ (pendingProgram.load(), 6) << "the inputs went deaf";
    EXPECT_EQ (ports.openInputCount(), 2);
}

//==============================================================================
TEST_F (Link, ReceivedDumpsReplaceTheirProgramOrAppend)
{
    startConnected();
    const int size = user().size();

    fromInstrument (namedDump ("Five", 5, 9));
    fromInstrument (namedDump ("Edit", 127, 3));
    fromInstrument (namedDump ("Forty", 40, 4));
    EXPECT_EQ (user().size(), size);  // nothing before the tick
    tick();

    ASSERT_EQ (user().size(), size + 2);
    EXPECT_EQ (nameOf (user()[5]), "Five");
    EXPECT_EQ (nameOf (user()[size]), "Edit");
    EXPECT_EQ (nameOf (user()[size + 1]), "Forty");
    EXPECT_FALSE (user()[size].isSelected());

    // Later dumps for one program win.
    fromInstrument (namedDump ("First", 3));
    fromInstrument (namedDump ("Second", 3));
    tick();
    EXPECT_EQ (nameOf (user()[3]), "Second");
    EXPECT_EQ (user().size(), size + 2);
}

TEST_F (Link, DumpReaddressedByTheInstrumentLandsInItsNewSlot)
{
    startConnected();
    kestrane->sendSoundDump (5, namedDump ("Moved", 12, 3));
    ASSERT_TRUE (kestrane->waitUntilIdle());
    tick();
    EXPECT_EQ (nameOf (user()[5]), "Moved");
}

TEST_F (Link, RefusedDumpsChangeNoRecordAndAppendNone)
{
    startConnected();
    const int size = user().size();
    const SoundRecord fiveBefore = user()[5];

    auto badSum = namedDump ("Broken", 5, 9);
    badSum[700] ^= 0x01;
    auto badEditBuffer = namedDump ("Broken", 127, 9);
    badEditBuffer[700] ^= 0x01;
    auto cutShort = namedDump ("Short", 40, 9);
    cutShort.resize (600);
    cutShort.push_back (0xF7);

    for (const auto& m : { badSum, badEditBuffer, cutShort })
        fromInstrument (m);
    tick();

    EXPECT_EQ (user().size(), size);
    EXPECT_EQ (std::memcmp (&user()[5], &fiveBefore, sizeof (SoundRecord)), 0);
}

TEST_F (Link, RingHoldsSixtyThreeDumpsInArrivalOrder)
{
    startConnected();
    const int size = user().size();
    for (int i = 0; i < 64; ++i)
    {
        char name[8];
        std::snprintf (name, sizeof (name), "Q%02d", i);
        kestrane->sendBytes (namedDump (name));
    }
    ASSERT_TRUE (kestrane->waitUntilIdle());
    tick();

    ASSERT_EQ (user().size(), size + 63);
    for (int i = 0; i < 63; ++i)
    {
        char name[8];
        std::snprintf (name, sizeof (name), "Q%02d", i);
        EXPECT_EQ (nameOf (user()[size + i]), name);
    }

    // Drained: there is room again.
    fromInstrument (namedDump ("After"));
    tick();
    EXPECT_EQ (nameOf (user()[user().size() - 1]), "After");
}

TEST_F (Link, DumpTooShortForItsProgramByteIsDroppedWithoutReadingOldRingBytes)
{
    startConnected();
    // Entry 0 of the ring ends up holding a whole dump for program 127 ...
    fromInstrument (namedDump ("Old"));
    tick();
    const int size = user().size();

    // ... and a message that stops before its program byte lands in the same entry.
    sysexReadIndex = 0;
    sysexWriteIndex = 0;
    fromInstrument ({ 0xF0, 0x7D, 0x2B, 0x00, 0x10 });
    tick();
    EXPECT_EQ (user().size(), size);
    EXPECT_EQ (nameOf (user()[size - 1]), "Old");

    // A dump cut short after its program byte names a slot but cannot change it.
    {
        const juce::ScopedLock sl (userSoundsLock);
        setSoundName (&user()[4], "Mine");
    }
    sysexReadIndex = 0;
    sysexWriteIndex = 0;
    fromInstrument ({ 0xF0, 0x7D, 0x2B, 0x00, 0x10, 0x04, 0xF7 });
    tick();
    EXPECT_EQ (nameOf (user()[4]), "Mine");
}

//==============================================================================
TEST_F (Link, ProgramChangeOfTheCurrentSoundDoesNothingAndTheTickGoesOn)
{
    startConnected (1, 1);
    selectOnly (user(), 0);
    globalSendCountdown = 2;
    fromInstrument ({ 0xC0, 0 });
    ports.addOutput();  // the rescan at the tick's end sees it
    tick();

    EXPECT_EQ (pendingProgram.load(), -1);
    EXPECT_EQ (globalSendCountdown.load(), 1);
    EXPECT_EQ (ports.openOutputCount(), 2);
    EXPECT_TRUE (kestrane->receivedSoundDumps().empty());
}

TEST_F (Link, ProgramChangeSelectsThatSoundAndSendsItOnce)
{
    startConnected();
    selectOnly (user(), 0);
    globalSendCountdown = 2;

    // Any channel; a later one replaces an earlier one; 28 and above are not programs.
    fromInstrument ({ 0xC9, 3 });
    fromInstrument ({ 0xC5, 6 });
    fromInstrument ({ 0xC0, 40 });
    EXPECT_EQ (pendingProgram.load(), 6);
    const int64_t tickedAt = ScopedVirtualClock::now();
    tick();

    for (int i = 0; i < 28; ++i)
        EXPECT_EQ (user()[i].isSelected(), i == 6) << i;
    EXPECT_EQ (globalSendCountdown.load(), 2);  // this tick does not count down

    // The content page is shown: the sound goes out once, after the short pause, as the compiled-in
    // set holds it but for program 127 (byte 5) and the checksum (byte 1328: the two's complement
    // of bytes 1..1327, 7 bits) that goes with it.
    MidiBytes expected = factoryDump (6);
    expected[5] = 127;
    unsigned sum = 0;
    for (size_t i = 1; i < 1328; ++i)
        sum += expected[i];
    expected[1328] = static_cast<uint8_t> ((0u - sum) & 0x7F);
    EXPECT_EQ (kestrane->receivedSoundDumps(), std::vector<MidiBytes> { expected });
    const auto at = ports.sentTimes (ports.outputIdAt (0));
    ASSERT_FALSE (at.empty());
    EXPECT_GE (at.back() - tickedAt, 20000);
}

TEST_F (Link, ProgramChangeToAnotherEngineShowsItsPage)
{
    startConnected();
    const int fm = firstWithEngine (user(), 2);
    const int model = firstWithEngine (user(), 0);
    ASSERT_GE (fm, 0);
    ASSERT_GE (model, 0);
    {
        const juce::ScopedLock sl (userSoundsLock);
        SoundRecord extra = user()[1];
        user().append (extra);  // index 28
    }
    selectOnly (user(), fm);
    user()[28].setSelected (true);
    showPage (1);
    ASSERT_NE (main->fmPanel, nullptr);
    ASSERT_EQ (shownEnginePage, 2);
    ASSERT_TRUE (kestrane->waitUntilIdle());
    kestrane->clearReceived();
    ScopedVirtualClock::clear();

    fromInstrument ({ 0xC0, static_cast<uint8_t> (model) });
    tick();

    EXPECT_EQ (main->fmPanel, nullptr);
    ASSERT_NE (main->editPanel, nullptr);
    EXPECT_EQ (shownEnginePage, 0);
    for (int i = 0; i < 28; ++i)
        EXPECT_EQ (user()[i].isSelected(), i == model) << i;
    EXPECT_TRUE (user()[28].isSelected());  // beyond the programs: kept
    // Once by the page switch, once more after the short pause.
    EXPECT_EQ (kestrane->receivedSoundDumps().size(), 2u);
}

TEST_F (Link, ProgramChangeBeyondTheListDeselectsEverything)
{
    startConnected();
    {
        const juce::ScopedLock sl (userSoundsLock);
        user().records.resize (20);
    }
    selectOnly (user(), 2);
    fromInstrument ({ 0xC0, 25 });
    tick();

    for (int i = 0; i < user().size(); ++i)
        EXPECT_FALSE (user()[i].isSelected()) << i;
    EXPECT_TRUE (kestrane->receivedSoundDumps().empty());
}

//==============================================================================
TEST_F (Link, CcsOnAnyChannelReachTheCurrentSoundAndReloadTheOpenPage)
{
    startConnected();
    selectOnly (user(), 0);
    main->showModelPage();
    ASSERT_NE (main->editPanel, nullptr);

    struct Case { uint8_t status, cc, value; };
    const Case cases[] = { { 0xB0, 33, 99 }, { 0xB7, 36, 5 }, { 0xBF, 40, 127 } };
    for (auto c : cases)
        fromInstrument ({ c.status, c.cc, c.value });

    for (auto c : cases)
        EXPECT_EQ (getCc (&user()[0], c.cc, false), c.value) << int (c.cc);  // applied on arrival
    EXPECT_EQ (ccReceivedCount.load(), 3);

    tick();
    EXPECT_EQ (ccReceivedCount.load(), 0);
    for (auto c : cases)
        EXPECT_EQ (static_cast<int> (main->editPanel->knobs[c.cc - 32]->getValue()), c.value) << int (c.cc);
}

TEST_F (Link, CcWithoutCurrentSoundIsDropped)
{
    startConnected();
    selectOnly (user(), -1);
    std::vector<SoundRecord> before (user().records);

    fromInstrument ({ 0xB2, 33, 99 });
    EXPECT_EQ (ccReceivedCount.load(), 0);
    ASSERT_EQ (user().records.size(), before.size());
    EXPECT_EQ (std::memcmp (user().records.data(), before.data(), before.size() * sizeof (SoundRecord)), 0);
}

//==============================================================================
TEST_F (Link, GlobalBlockGoesOutOnTheTickThatTakesTheCountToZero)
{
    startConnected();
    globalBlock.set (GlobalBlock::transpose, 0x4C);
    globalSendCountdown |= 4;
    for (int t = 1; t <= 3; ++t)
    {
        tick();
        EXPECT_TRUE (kestrane->receivedGlobalDumps().empty()) << "tick " << t;
    }
    tick();
    ASSERT_EQ (kestrane->receivedGlobalDumps().size(), 1u);
    EXPECT_EQ (kestrane->receivedGlobalDumps()[0][5], 0x4C);

    // A second edit after the first tick (3 becomes 7) puts it seven ticks later.
    kestrane->clearReceived();
    globalSendCountdown |= 4;
    tick();
    globalSendCountdown |= 4;
    ASSERT_EQ (globalSendCountdown.load(), 7);
    for (int t = 1; t <= 6; ++t)
        tick();
    EXPECT_TRUE (kestrane->receivedGlobalDumps().empty());
    tick();
    EXPECT_EQ (kestrane->receivedGlobalDumps().size(), 1u);
}

TEST_F (Link, GlobalBlockIsMaskedAndCheckedBeforeItIsSent)
{
    startConnected();
    struct Case { uint8_t byte9, byte20; uint8_t checksum; };
    // Defaults sum to 0x1C9 over bytes 1..19. Byte 9 = 0x37 makes it 0x200 (checksum 0); a byte
    // with the top bit set goes out masked; byte 20 is never counted.
    for (auto c : { Case { 0x37, 0x00, 0x00 }, Case { 0x37, 0x55, 0x00 }, Case { 0x81, 0x00, 0x36 } })
    {
        resetLinkState();
        kestrane->clearReceived();
        globalBlock.set (9, c.byte9);
        globalBlock.set (20, c.byte20);
        globalSendCountdown = 1;
        tick();
        const auto sent = kestrane->receivedGlobalDumps();
        ASSERT_EQ (sent.size(), 1u);
        ASSERT_EQ (sent[0].size(), 23u);
        EXPECT_EQ (sent[0][9], c.byte9 & 0x7F);
        EXPECT_EQ (sent[0][20], c.byte20);
        EXPECT_EQ (sent[0][21], c.checksum);
        EXPECT_EQ (sent[0][0], 0xF0);
        EXPECT_EQ (sent[0][22], 0xF7);
    }
}

TEST_F (Link, OnlyAWhole23ByteGlobalDumpReplacesTheBlock)
{
    startConnected();
    struct Case { int length; bool taken; };
    for (auto c : { Case { 22, false }, Case { 24, false }, Case { 23, true } })
    {
        SCOPED_TRACE (c.length);
        resetLinkState();
        MidiBytes m (static_cast<size_t> (c.length), 0x11);
        m[0] = 0xF0; m[1] = 0x7D; m[2] = 0x2B; m[3] = 0; m[4] = 0x12;
        m.back() = 0xF7;
        fromInstrument (m);
        uint8_t block[GlobalBlock::size];
        globalBlock.copyTo (block);
        if (c.taken)
            EXPECT_EQ (MidiBytes (block, block + 23), m);  // checksum byte included
        else
            EXPECT_EQ (MidiBytes (block, block + 23), compiledInGlobalBlock);
    }
}

// A received block goes back out as it came in bytes 0, 20 and 22, so a block that is not a whole,
// clean global dump must never be taken: what goes back is then still the block held before.
TEST_F (Link, OnlyAWellFormedGlobalDumpReplacesTheBlockAndNothingBrokenGoesBack)
{
    startConnected();
    const MidiBytes& defaults = compiledInGlobalBlock;
    const MidiBytes good { 0xF0, 0x7D, 0x2B, 0x00, 0x12, 0x43, 0x3E, 0x02, 0x7F, 0x01, 0x02,
                           0, 0, 0, 0, 0, 0, 0, 0, 0, 0x11, 0x00, 0xF7 };
    auto with = [&good] (int index, uint8_t value)
    {
        MidiBytes m = good;
        m[static_cast<size_t> (index)] = value;
        return m;
    };

    struct Case { const char* what; MidiBytes message; bool taken; };
    const Case cases[] = {
        { "whole and clean", good, true },
        { "F7 missing at the end", with (22, 0x00), false },
        { "ends early: F7 in byte 21, a data byte after it", with (21, 0xF7), false },
        { "F7 in the middle", with (12, 0xF7), false },
        { "byte 20, sent back as received, with the top bit set", with (20, 0x80), false },
        { "byte 8 of 0xFF", with (8, 0xFF), false },
        { "device byte with the top bit set", with (3, 0x80), false },
        { "checksum byte with the top bit set", with (21, 0x90), false },
        { "a status byte inside", with (6, 0x90), false },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.what);
        resetLinkState();
        kestrane->clearReceived();
        fromInstrument (c.message);

        uint8_t block[GlobalBlock::size];
        globalBlock.copyTo (block);
        EXPECT_EQ (MidiBytes (block, block + GlobalBlock::size), c.taken ? c.message : defaults);

        globalSendCountdown = 1;
        tick();
        const auto sent = kestrane->receivedGlobalDumps();
        ASSERT_EQ (sent.size(), 1u);
        const auto& back = sent[0];
        ASSERT_EQ (back.size(), 23u);
        EXPECT_EQ (back.front(), 0xF0);
        EXPECT_EQ (back.back(), 0xF7);
        for (size_t i = 1; i < 22; ++i)
            EXPECT_LT (back[i], 0x80) << "byte " << i;
        if (c.taken)
            EXPECT_EQ (MidiBytes (back.begin(), back.begin() + 21), MidiBytes (good.begin(), good.begin() + 21));
        else
            EXPECT_EQ (back, defaults);
    }
}

TEST_F (Link, OtherMessagesChangeNothing)
{
    startConnected();
    selectOnly (user(), 0);
    std::vector<SoundRecord> before (user().records);
    const MidiBytes junk[] = {
        { 0xF0, 0x41, 0x2B, 0x00, 0x10, 0x05, 0xF7 },  // another maker
        { 0xF0, 0x7D, 0x2C, 0x00, 0x12, 0xF7 },        // another model
        { 0xF0, 0x7D, 0x2B, 0x00, 0x11, 0x05, 0xF7 },  // another command
        { 0xF0, 0x7D, 0x2B, 0xF7 },                    // too short for a command
        { 0x90, 0x40, 0x7F },                          // note on
        { 0xE0, 0x00, 0x40 },                          // pitch bend
        { 0xF8 },                                      // clock
    };
    for (const auto& m : junk)
        fromInstrument (m);
    tick();

    EXPECT_EQ (pendingProgram.load(), -1);
    EXPECT_EQ (ccReceivedCount.load(), 0);
    EXPECT_EQ (main->chosenOutput.load(), 0);
    ASSERT_EQ (user().records.size(), before.size());
    EXPECT_EQ (std::memcmp (user().records.data(), before.data(), before.size() * sizeof (SoundRecord)), 0);
    uint8_t block[GlobalBlock::size];
    globalBlock.copyTo (block);
    EXPECT_EQ (MidiBytes (block, block + 23), kestrane->globalDump);
}

//==============================================================================
TEST_F (Link, CcGoesOutOnTheInstrumentsChannelOnlyWhenItIsOneToFifteen)
{
    startConnected();
    struct Case { uint8_t channelByte; uint8_t status; };
    for (auto c : { Case { 0, 0xB0 }, Case { 1, 0xB1 }, Case { 5, 0xB5 }, Case { 15, 0xBF },
                    Case { 16, 0xB0 }, Case { 17, 0xB0 }, Case { 127, 0xB0 }, Case { 200, 0xB0 } })
    {
        SCOPED_TRACE (int (c.channelByte));
        kestrane->clearReceived();
        globalBlock.set (GlobalBlock::channel, c.channelByte);
        const uint8_t cc[3] = { 0xB0, 0x07, 0x64 };
        sendMidi (cc, 3);
        ASSERT_TRUE (kestrane->waitUntilIdle());
        EXPECT_EQ (kestrane->received(), (std::vector<MidiBytes> { { c.status, 0x07, 0x64 } }));
        EXPECT_EQ (cc[0], 0xB0);  // the caller's bytes stay as they were
    }

    // Only a three-byte message with status exactly 0xB0 is rewritten.
    globalBlock.set (GlobalBlock::channel, 5);
    kestrane->clearReceived();
    const MidiBytes unchanged[] = { { 0xB0, 0x07 }, { 0xB3, 0x07, 0x64 }, { 0xB0, 0x07, 0x64, 0x00 } };
    for (const auto& m : unchanged)
        sendMidi (m.data(), static_cast<int> (m.size()));
    ASSERT_TRUE (kestrane->waitUntilIdle());
    EXPECT_EQ (kestrane->received(), std::vector<MidiBytes> (std::begin (unchanged), std::end (unchanged)));
}

TEST_F (Link, SelectedSoundGoesToTheEditBuffer)
{
    startConnected();
    selectOnly (user(), 4);
    sendSelectedSound();
    ASSERT_TRUE (kestrane->waitUntilIdle());
    const auto dumps = kestrane->receivedSoundDumps();
    ASSERT_EQ (dumps.size(), 1u);
    EXPECT_EQ (dumps[0][5], 127);
    EXPECT_EQ (user().getCurrent(), 4);

    // No selected sound: nothing.
    kestrane->clearReceived();
    ScopedVirtualClock::clear();
    selectOnly (user(), -1);
    sendSelectedSound();
    ASSERT_TRUE (kestrane->waitUntilIdle());
    EXPECT_TRUE (kestrane->received().empty());
}

TEST_F (Link, HiddenComponentTicksDoNothing)
{
    start (1, 1, 0, 0);
    main->setVisible (false);
    pendingProgram = 3;
    main->timerCallback();
    EXPECT_EQ (ports.openInputCount() + ports.openOutputCount(), 0);
    EXPECT_EQ (pendingProgram.load(), 3);
}
