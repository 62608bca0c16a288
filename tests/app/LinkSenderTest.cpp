// The sender owns the wire while the window goes on: the newest edit buffer wins, a Request's
// answer sends the current sound back once, the cable's clock belongs to the device, the timer runs
// through a dump set and finds an instrument that went and came back, the queue is bounded, and
// the display says what is on the wire and how it ended. The manual clock runs the wire's time.
#include <algorithm>
#include <chrono>
#include <map>
#include <thread>
#include "tests/app/LinkFixture.h"
#include "app/TransferDisplay.h"
#include "controls/zbutton.h"
#include "library/SoundPanel.h"

namespace
{
constexpr int64_t ms = 1000;
constexpr int64_t dumpOnWire = 1330 * 320;  // 425.6 ms at 31,250 baud

// The bytes of user record `r` as the edit buffer gets them: program 127 and its checksum.
MidiBytes editBufferOf (const SoundRecord& r)
{
    MidiBytes out (soundDumpLength);
    encodeSoundDump (&r, out.data(), 127);
    return out;
}

bool isEditBuffer (const MidiBytes& m) { return m.size() == soundDumpLength && m[5] == 127; }
}

class LinkSender : public LinkFixture
{
protected:
    void SetUp() override
    {
        LinkFixture::SetUp();
        ScopedVirtualClock::setMode (ScopedVirtualClock::manual);
    }

    int out() const { return ports.outputIdAt (0); }
    std::vector<MidiBytes> sent() const { return ports.sentTo (out()); }
    std::vector<MidiBytes> editBuffersReceived() const
    {
        std::vector<MidiBytes> r;
        for (auto& m : kestrane->receivedSoundDumps())
            if (m[5] == 127)
                r.push_back (m);
        return r;
    }
    std::vector<MidiBytes> programDumpsReceived() const
    {
        std::vector<MidiBytes> r;
        for (auto& m : kestrane->receivedSoundDumps())
            if (m[5] != 127)
                r.push_back (m);
        return r;
    }
    TransferDisplay& display() { return *main->transferDisplay; }
    zbutton* commandButton (int id)
    {
        for (auto* b : main->soundPanel->buttons)
            if (b != nullptr && b->getCommandID() == id)
                return b;
        return nullptr;
    }
};

//==============================================================================
// Ten quick selections on the user list: the first goes at once, the next nine wait behind it for
// the cable, and each replaces the one before; the CCs turned between them all go, in order.
TEST_F (LinkSender, TheNewestEditBufferWinsAndNothingElseIsDropped)
{
    startConnected();
    runClock (1000 * ms, false);
    kestrane->clearReceived();
    ports.clearSent();

    const int64_t before = ScopedVirtualClock::now();
    for (int row = 1; row <= 10; ++row)
    {
        main->soundPanel->userList.selectRow (row);
        const uint8_t cc[3] = { 0xB0, 40, static_cast<uint8_t> (row) };
        sendMidi (cc, 3);
        settle();  // what may leave now has left: the first dump, at once
    }
    EXPECT_EQ (ScopedVirtualClock::now(), before) << "the selections waited for the wire";
    runClock (5000 * ms, false);

    const auto dumps = editBuffersReceived();
    ASSERT_EQ (dumps.size(), 2u);
    EXPECT_EQ (dumps[0], editBufferOf (user()[1]));
    EXPECT_EQ (dumps[1], editBufferOf (user()[10]));
    // Every CC, in order. The last dump took its place behind the ninth CC, which was queued before
    // it, and ahead of the tenth.
    std::vector<int> values;
    int lastDumpAfter = -1;
    for (auto& m : sent())
    {
        if (m.size() == 3 && m[1] == 40)
            values.push_back (m[2]);
        else if (m == editBufferOf (user()[10]))
            lastDumpAfter = values.empty() ? 0 : values.back();
    }
    EXPECT_EQ (values, (std::vector<int> { 1, 2, 3, 4, 5, 6, 7, 8, 9, 10 }));
    EXPECT_EQ (lastDumpAfter, 9);
}

// The answer to "Request" comes as the cable carries it, a dump every 425.6 ms, one or two per
// tick. The current sound goes back to the edit buffer once, when its own dump has come.
TEST_F (LinkSender, ARequestsAnswerSendsTheCurrentSoundBackOnce)
{
    ScopedVirtualClock::setMode (ScopedVirtualClock::instant);
    startConnected();
    main->soundPanel->userList.selectRow (5);
    ASSERT_TRUE (kestrane->waitUntilIdle());
    kestrane->clearReceived();

    for (int p = 0; p < 28; ++p)
    {
        kestrane->sendSoundDump (p, namedDump (("Inst " + std::to_string (p)).c_str(), p, p));
        ASSERT_TRUE (kestrane->waitUntilIdle());
        tick();
    }
    tick();
    pumpMessageLoop (30);
    ASSERT_TRUE (kestrane->waitUntilIdle());

    const auto back = editBuffersReceived();
    ASSERT_EQ (back.size(), 1u);
    EXPECT_EQ (back[0], editBufferOf (user()[5]));
    EXPECT_EQ (juce::String (user()[5].nameText()).trimEnd(), "Inst 5");
}

//==============================================================================
// Output 0 unplugged renumbers the instrument from 1 to 0. Its cable still carries the dump sent
// just before, so the next one waits for it; and the editor keeps sending to the instrument.
TEST_F (LinkSender, TheCablesClockAndTheChosenOutputFollowTheDevice)
{
    startConnected (2, 2, 1, 1);
    runClock (1000 * ms, false);
    const int instrument = ports.outputIdAt (1);
    ports.clearSent();

    sendSelectedSound();
    settle();
    ASSERT_EQ (ports.sentTimes (instrument).size(), 1u);
    const int64_t first = ports.sentTimes (instrument)[0];

    ports.removeOutput (ports.outputIdAt (0));
    main->timerCallback();  // the rescan: the instrument is output 0 now
    EXPECT_EQ (main->chosenOutput.load(), 0) << "the chosen output stayed on an index, not on its device";
    sendSelectedSound();
    runClock (2000 * ms, false);

    const auto t = ports.sentTimes (instrument);
    const auto s = ports.sentTo (instrument);
    ASSERT_GE (s.size(), 2u);
    // Probe after the rescan, the answer's global request, and the dump: none before the first
    // dump had left.
    for (size_t k = 1; k < t.size(); ++k)
        EXPECT_GE (t[k] - first, dumpOnWire) << "message " << k << " of " << s[k].size() << " bytes";
    EXPECT_EQ (std::count_if (s.begin(), s.end(), isEditBuffer), 2);
}

//==============================================================================
// The instrument goes after 5 of 28 dumps and comes back 3 s later as the same device. Meanwhile
// the timer runs: the transfer is cut short and said so, the rest is never replayed into the
// device that came back, which is found again within 2 s, and a selection reaches it intact.
TEST_F (LinkSender, TheTimerRunsThroughADumpSetAndFindsTheInstrumentAgain)
{
    startConnected();
    runClock (1000 * ms, false);
    const int outId = ports.outputIdAt (0), inId = ports.inputIdAt (0);
    kestrane->clearReceived();
    DumpAnswer dialogs;

    main->dumpSoundset();
    EXPECT_TRUE (display().busy());
    EXPECT_FALSE (commandButton (4)->isEnabled());
    EXPECT_FALSE (commandButton (5)->isEnabled());
    runClock (4 * dumpOnWire + 100 * ms);
    ASSERT_EQ (programDumpsReceived().size(), 5u);
    EXPECT_EQ (display().lcdText(), "DUMP 05/28");
    EXPECT_EQ (display().lineText(), "Sending sound 6 of 28 to the Kestrane");

    ports.removeOutput (outId);
    ports.removeInput (inId);
    runClock (3000 * ms);
    EXPECT_EQ (main->chosenOutput.load(), -1);
    EXPECT_EQ (display().lcdText(), "CUT 05/28");
    EXPECT_EQ (display().lineText(), "Cut short: the Kestrane went away; 5 of 28 sounds were sent");
    EXPECT_FALSE (display().busy());
    EXPECT_TRUE (commandButton (5)->isEnabled());

    ports.plugOutput (outId);
    ports.plugInput (inId);
    const int64_t back = ScopedVirtualClock::now();
    while (main->chosenOutput.load() < 0 && ScopedVirtualClock::now() - back < 2000 * ms)
        runClock (100 * ms);
    EXPECT_EQ (main->chosenOutput.load(), 0) << "not found again within 2 s";
    runClock (20000 * ms);
    EXPECT_EQ (programDumpsReceived().size(), 5u) << "what was queued for the instrument before it went was replayed";

    kestrane->clearReceived();
    main->soundPanel->userList.selectRow (9);
    runClock (1000 * ms);
    const auto dumps = editBuffersReceived();
    ASSERT_EQ (dumps.size(), 1u);
    EXPECT_EQ (dumps[0], editBufferOf (user()[9]));
}

// Gone for one tick and back before the next dump was due: what waited for it is not sent to the
// device that came back, which has not been found again yet (the dumps would land in whatever
// state it came back in).
TEST_F (LinkSender, WhatWaitedForAnInstrumentThatWentIsNeverReplayedIntoItsReturn)
{
    startConnected();
    runClock (1000 * ms, false);
    const int outId = ports.outputIdAt (0), inId = ports.inputIdAt (0);
    kestrane->clearReceived();
    kestrane->answersProbes = false;
    DumpAnswer dialogs;

    main->dumpSoundset();
    settle();
    ASSERT_EQ (programDumpsReceived().size(), 1u);
    ports.removeOutput (outId);
    ports.removeInput (inId);
    main->timerCallback();  // gone
    ports.plugOutput (outId);
    ports.plugInput (inId);
    main->timerCallback();  // back, and probed
    runClock (15000 * ms);
    EXPECT_EQ (programDumpsReceived().size(), 1u);
    EXPECT_EQ (display().lcdText(), "CUT 01/28");
}

// A probe answer while a dump set is on the wire: the MIDI thread queues the global request and
// returns, so that a Program Change right behind it is taken at once.
TEST_F (LinkSender, TheMidiThreadNeverWaitsForTheWire)
{
    startConnected();
    runClock (1000 * ms, false);
    DumpAnswer dialogs;
    main->dumpSoundset();
    settle();

    const auto answer = SimulatedInstrument::probeAnswer (0);
    const auto start = std::chrono::steady_clock::now();
    kestrane->sendBytes (answer);
    kestrane->sendProgramChange (0, 4);
    ASSERT_TRUE (kestrane->waitUntilIdle (2000)) << "the MIDI thread waited for the cable";
    EXPECT_LT (std::chrono::steady_clock::now() - start, std::chrono::milliseconds (1000));
    EXPECT_EQ (pendingProgram.load(), 4);

    // The request goes in its turn, behind the dumps queued before it.
    runClock (15000 * ms, false);
    const auto s = sent();
    ASSERT_FALSE (s.empty());
    EXPECT_EQ (s.back(), globalRequest);
}

//==============================================================================
// 10,000 CCs behind a dump set: the queue stays within its bound (4096 messages); past it a CC
// takes the place of its controller's newest waiting value, another controller's is refused.
TEST_F (LinkSender, AFloodStaysWithinTheBoundAndTheLastValuesArrive)
{
    startConnected();
    runClock (1000 * ms, false);
    DumpAnswer dialogs;
    main->dumpSoundset();
    kestrane->clearReceived();

    std::map<int, int> last;
    for (int n = 0; n < 10000; ++n)
    {
        const uint8_t cc[3] = { 0xB0, static_cast<uint8_t> (n % 100), static_cast<uint8_t> ((n / 100) & 0x7F) };
        sendMidi (cc, 3);
        last[cc[1]] = cc[2];
        ASSERT_LE (main->sender.waiting(), Sender::maxWaiting);
    }
    const auto stats = main->sender.stats();
    EXPECT_EQ (stats.mostWaiting, static_cast<size_t> (Sender::maxWaiting));
    EXPECT_EQ (stats.refused, 0u);
    EXPECT_GT (stats.merged, 0u);
    const uint8_t other[3] = { 0xB0, 120, 1 };  // no CC 120 waits
    sendMidi (other, 3);
    sendMidi (globalRequest.data(), static_cast<int> (globalRequest.size()));
    EXPECT_EQ (main->sender.stats().refused, 2u);

    // The rest of the wire's time at once.
    ScopedVirtualClock::setMode (ScopedVirtualClock::instant);
    ASSERT_TRUE (kestrane->waitUntilIdle (60000));
    EXPECT_TRUE (main->sender.idle());
    EXPECT_EQ (programDumpsReceived().size(), 27u);  // the first had gone before the flood
    std::map<int, int> got;
    int count = 0;
    for (auto& m : kestrane->receivedCcs())
    {
        got[m[1]] = m[2];
        ++count;
    }
    EXPECT_EQ (got, last);
    EXPECT_EQ (count, Sender::maxWaiting - 28 + 1);  // the first dump had left
}

// On the real clock: a sender that waits for the cable sleeps, whatever is queued behind it.
TEST (LinkSenderRealClock, AFloodBehindADumpSetDoesNotWakeTheSender)
{
    resetLinkState();
    ScopedFakeMidiPorts fake;
    fake.ports.setOutputCount (1);
    auto main = std::make_unique<MainContentComponent>();
    main->setVisible (true);
    main->timerCallback();
    const std::vector<std::vector<uint8_t>> dumps (28, std::vector<uint8_t> (factorySoundSet, factorySoundSet + soundDumpLength));
    ASSERT_EQ (main->sender.sendSoundset (0, dumps, 200), Sender::queued);
    std::this_thread::sleep_for (std::chrono::milliseconds (50));
    const auto before = main->sender.stats().wakeups;
    for (int n = 0; n < 10000; ++n)
    {
        const uint8_t cc[3] = { 0xB0, static_cast<uint8_t> (n % 100), static_cast<uint8_t> (n & 0x7F) };
        main->sendToOutput (0, cc, 3);
    }
    std::this_thread::sleep_for (std::chrono::milliseconds (1000));
    const auto woke = main->sender.stats().wakeups - before;
    // About one a dump (425.6 ms each); a sender that woke for every CC would count thousands.
    EXPECT_LE (woke, 10u);
    EXPECT_LE (fake.ports.sentTo (fake.ports.outputIdAt (0)).size(), 5u);
    main.reset();
    resetLinkState();
}

//==============================================================================
TEST_F (LinkSender, TwoDumpSetsNeverInterleaveAndEachEndIsShown)
{
    startConnected();
    runClock (1000 * ms, false);
    DumpAnswer dialogs;
    kestrane->clearReceived();

    dialogs.answer = FileDialogs::dumpUserBanks;
    main->dumpSoundset();
    runClock (1000 * ms);
    EXPECT_EQ (display().lcdText(), "DUMP 03/21");
    dialogs.answer = FileDialogs::dumpWithPresets;
    main->dumpSoundset();  // refused: the buttons are held, and a direct call is refused too
    EXPECT_EQ (display().lineText(), "Wait: a transfer is on its way");
    runClock (12000 * ms);
    EXPECT_EQ (display().lcdText(), "DUMP 21/21");
    EXPECT_EQ (display().lineText(), "Dump set sent: 21 sounds");
    const auto dumps = programDumpsReceived();
    ASSERT_EQ (dumps.size(), 21u);
    for (size_t k = 0; k < dumps.size(); ++k)
        EXPECT_EQ (dumps[k][5], 7 + k);

    // The end is shown for a while, then the readout goes.
    runClock (9000 * ms);
    EXPECT_FALSE (display().isVisible());

    // Without an instrument: refused, and said so.
    main->chosenOutput = -1;
    main->dumpSoundset();
    EXPECT_EQ (display().lcdText(), "NO KESTRANE");
    EXPECT_EQ (display().lineText(), "No Kestrane found: nothing was sent");
    EXPECT_TRUE (display().isVisible());
    main->chosenOutput = 0;
}

TEST_F (LinkSender, TheDisplayCountsTheRequestsAnswerAndSaysHowItEnded)
{
    struct Case { const char* what; int answers; const char* lcd; const char* line; };
    const Case cases[] = {
        { "all", 28, "RECV 28/28", "All 28 sounds received" },
        { "some", 10, "RECV 10/28", "Only 10 of 28 sounds came" },
        { "none", 0, "NO ANSWER", "No answer from the Kestrane" },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.what);
        startConnected();
        runClock (1000 * ms, false);
        kestrane->programs.resize (static_cast<size_t> (c.answers));
        main->requestSounds();
        EXPECT_TRUE (display().busy());
        EXPECT_EQ (display().lcdText(), "RECV 00/28");
        runClock (6000 * ms);
        EXPECT_EQ (display().lcdText(), c.lcd);
        EXPECT_EQ (display().lineText(), c.line);
        EXPECT_FALSE (display().busy());
        main.reset();
        kestrane.reset();
        resetLinkState();
    }
}

TEST_F (LinkSender, ARequestsAnswerCutShortIsSaidSo)
{
    startConnected();
    runClock (1000 * ms, false);
    kestrane->programs.resize (3);
    main->requestSounds();
    runClock (1000 * ms);
    ports.removeOutput (out());
    runClock (600 * ms);
    EXPECT_EQ (display().lcdText(), "CUT 03/28");
    EXPECT_EQ (display().lineText(), "Cut short: the Kestrane went away; 3 of 28 sounds came");
    EXPECT_TRUE (display().showsFailure());
    EXPECT_FALSE (display().busy());
}

//==============================================================================
// Closing the window while a dump set is on the wire: it waits for the dumps to leave the cable,
// and says so meanwhile.
TEST_F (LinkSender, ACloseDuringADumpSetWaitsForItsWireTime)
{
    startConnected();
    runClock (1000 * ms, false);
    EXPECT_TRUE (main->quitWhenSent());
    DumpAnswer dialogs;
    main->dumpSoundset();
    runClock (1000 * ms);

    EXPECT_FALSE (main->quitWhenSent());
    EXPECT_EQ (display().lineText(), "Closing when the dump set has been sent");
    runClock (10000 * ms);
    EXPECT_FALSE (main->quitWhenSent());  // 28 dumps take 11.9 s
    runClock (2000 * ms);
    EXPECT_TRUE (main->quitWhenSent());
    EXPECT_EQ (programDumpsReceived().size(), 28u);
}

// The window goes while a dump is being handed to the port: that dump ends whole, the port is
// closed only after it.
TEST (LinkSenderShutdown, ADumpOnItsWayEndsWholeBeforeThePortCloses)
{
    resetLinkState();
    ScopedFakeMidiPorts fake;
    fake.ports.setOutputCount (1);
    fake.ports.setInputCount (1);
    SimulatedInstrument kestrane (fake.ports, fake.ports.outputIdAt (0), fake.ports.inputIdAt (0));
    auto main = std::make_unique<MainContentComponent>();
    ASSERT_TRUE (connectInstrument (*main, kestrane));
    kestrane.clearReceived();
    fake.ports.setSendDuration (std::chrono::milliseconds (300));
    const std::vector<std::vector<uint8_t>> dumps (3, std::vector<uint8_t> (factorySoundSet, factorySoundSet + soundDumpLength));
    main->sender.sendSoundset (main->chosenOutput.load(), dumps, 200);
    std::this_thread::sleep_for (std::chrono::milliseconds (100));
    main.reset();
    EXPECT_EQ (fake.ports.faults(), 0);
    ASSERT_TRUE (kestrane.waitUntilIdle());
    const auto got = kestrane.receivedSoundDumps();
    ASSERT_EQ (got.size(), 1u);
    EXPECT_EQ (got[0], dumps[0]);
    resetLinkState();
}
