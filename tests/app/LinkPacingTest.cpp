// Sends paced to a MIDI cable: 31,250 baud, 10 bits a byte, so a byte takes 320 us on the wire and
// a 1330-byte sound dump 425.6 ms. No message may go out before the bytes sent before it could
// have left; the pauses after a dump (200 ms), before a Program Change's send (20 ms) and after the
// Global dialog's request (50 ms) stay as the least gap. Nobody but the sender waits: the window's
// thread queues and goes on. Times are read from the virtual clock.
#include <chrono>
#include <thread>
#include "tests/app/LinkFixture.h"
#include "app/Pause.h"

namespace
{
constexpr int64_t microsecondsPerByte = 320;  // 10 bits at 31,250 bits a second
constexpr int64_t dumpOnWire = 1330 * microsecondsPerByte;

// Each message left no earlier than the one before it had left the cable.
void expectPaced (const std::vector<MidiBytes>& sent, const std::vector<int64_t>& at)
{
    ASSERT_EQ (sent.size(), at.size());
    for (size_t k = 1; k < sent.size(); ++k)
        EXPECT_GE (at[k] - at[k - 1], static_cast<int64_t> (sent[k - 1].size()) * microsecondsPerByte)
            << "message " << k << " (" << sent[k].size() << " bytes) after one of " << sent[k - 1].size();
}
}

class LinkPacing : public LinkFixture
{
protected:
    void SetUp() override
    {
        LinkFixture::SetUp();
        ScopedVirtualClock::setMode (ScopedVirtualClock::manual);
    }

    int instrumentOutput() const { return ports.outputIdAt (0); }
    std::vector<MidiBytes> sent() const { return ports.sentTo (instrumentOutput()); }
    std::vector<int64_t> times() const { return ports.sentTimes (instrumentOutput()); }
};

//==============================================================================
TEST_F (LinkPacing, EveryKindOfSendWaitsForTheBytesBeforeIt)
{
    start (1, 1);
    kestrane->programs.clear();  // it answers the sound request with nothing
    tick();  // probe, then the global request from the MIDI thread on the answer
    ASSERT_EQ (main->chosenOutput.load(), 0);
    runClock (100000, false);

    const uint8_t cc[3] = { 0xB0, 7, 100 };
    const int64_t queuedAt = ScopedVirtualClock::now();
    sendSelectedSound();            // 1330 bytes
    sendMidi (cc, 3);               // a CC right behind a dump
    main->requestSounds();          // the sound request
    globalSendCountdown = 1;
    main->timerCallback();          // the global block
    EXPECT_EQ (ScopedVirtualClock::now(), queuedAt) << "the window's thread waited";
    runClock (3000000, false);

    const auto s = sent();
    ASSERT_EQ (s.size(), 6u);
    EXPECT_EQ (s[0], probe (0));
    EXPECT_EQ (s[1], globalRequest);
    EXPECT_EQ (s[2].size(), 1330u);
    EXPECT_EQ (s[3], (MidiBytes { 0xB2, 7, 100 }));  // on the instrument's channel, 3
    EXPECT_EQ (s[4], (MidiBytes { 0xF0, 0x7D, 0x2B, 0x7F, 0x00, 0x7F, 0xF7 }));
    EXPECT_EQ (s[5].size(), 23u);
    expectPaced (s, times());

    // The CC behind the dump: the cable decides, 425.6 ms, not the 200 ms pause.
    const auto t = times();
    EXPECT_EQ (t[3] - t[2], dumpOnWire);
}

TEST_F (LinkPacing, DumpSetTakesTheCablesTimeAndEveryDumpArrivesWhole)
{
    struct Case { int answer; int firstProgram; };
    for (auto c : { Case { FileDialogs::dumpWithPresets, 0 }, Case { FileDialogs::dumpUserBanks, 7 } })
    {
        SCOPED_TRACE (c.firstProgram);
        startConnected();
        DumpAnswer dialogs;
        dialogs.answer = c.answer;

        const int64_t before = ScopedVirtualClock::now();
        main->dumpSoundset();
        EXPECT_EQ (ScopedVirtualClock::now(), before) << "the window's thread waited for the wire";
        settle();
        EXPECT_LE (sent().size(), 1u);  // the rest waits for the cable
        runClock (15000000);

        const int count = 28 - c.firstProgram;
        const auto s = sent();
        const auto t = times();
        ASSERT_EQ (static_cast<int> (s.size()), count);
        expectPaced (s, t);
        // The cable, not the 200 ms pause, sets the pace: the sends follow each other by exactly
        // one dump's time on the wire (21 dumps about 8.9 s, 28 about 11.9 s in all).
        for (size_t k = 1; k < t.size(); ++k)
            EXPECT_EQ (t[k] - t[k - 1], dumpOnWire) << k;
        EXPECT_EQ (t.back() - t.front(), (count - 1) * dumpOnWire);

        // Every dump reached the instrument whole, once, in program order.
        const auto got = kestrane->receivedSoundDumps();
        ASSERT_EQ (static_cast<int> (got.size()), count);
        for (int i = 0; i < count; ++i)
        {
            EXPECT_EQ (got[static_cast<size_t> (i)][5], c.firstProgram + i);
            EXPECT_EQ (got[static_cast<size_t> (i)], s[static_cast<size_t> (i)]);
        }
        main.reset();
        kestrane.reset();
        resetLinkState();
        ports.clearSent();
    }
}

TEST_F (LinkPacing, PausesStayTheLeastGapAfterShortMessages)
{
    // A Program Change: the edit-buffer dump leaves 20 ms after the tick that took it, nothing else
    // being on the cable.
    startConnected();
    runClock (1000000, false);
    kestrane->sendProgramChange (0, 3);
    settle();
    const int64_t before = ScopedVirtualClock::now();
    main->timerCallback();
    EXPECT_EQ (ScopedVirtualClock::now(), before);
    runClock (1000000, false);
    auto t = times();
    ASSERT_EQ (t.size(), 1u);
    EXPECT_EQ (t[0] - before, 20000);

    // The Global dialog's request: 7 bytes take 2.24 ms, but the next message waits the 50 ms
    // the instrument has to answer.
    ports.clearSent();
    const uint8_t request[7] = { 0xF0, 0x7D, 0x2B, 0x7F, 0x02, 0x7F, 0xF7 };
    const uint8_t cc[3] = { 0xB0, 9, 1 };
    sendMidi (request, 7, 50);
    sendMidi (cc, 3);
    runClock (1000000, false);
    t = times();
    ASSERT_EQ (t.size(), 2u);
    EXPECT_EQ (t[1] - t[0], 50000);

    // After an edit-buffer dump of a short message's size the 200 ms would show; a whole dump
    // takes longer on the cable, so the wire sets the gap there.
    ports.clearSent();
    sendSelectedSound();
    sendMidi (cc, 3);
    runClock (1000000, false);
    t = times();
    ASSERT_EQ (t.size(), 2u);
    EXPECT_EQ (t[1] - t[0], dumpOnWire);
}

TEST_F (LinkPacing, SmallMessagesOnAQuietCableAreNotHeld)
{
    startConnected();
    runClock (1000000, false);  // a second later: the cable is quiet
    ScopedVirtualClock::clear();

    const uint8_t cc[3] = { 0xB0, 32, 1 };
    const int64_t at = ScopedVirtualClock::now();
    sendMidi (cc, 3);
    settle();
    ASSERT_EQ (times().size(), 1u);
    EXPECT_EQ (times().back(), at);

    // A knob turned fast: each CC waits only for the one before it, 0.96 ms.
    for (int v = 0; v < 20; ++v)
    {
        const uint8_t turn[3] = { 0xB0, 33, static_cast<uint8_t> (v) };
        sendMidi (turn, 3);
    }
    runClock (100000, false);
    const auto t = times();
    ASSERT_EQ (t.size(), 21u);
    for (size_t k = 1; k < t.size(); ++k)
        EXPECT_EQ (t[k] - t[k - 1], 3 * microsecondsPerByte);
    EXPECT_EQ (kestrane->receivedCcs().size(), 21u);
}

// Both threads queue for one output: the MIDI thread the global request after every probe answer,
// the message thread CCs and dumps. All arrive, each thread's in its order, paced, and the real
// port sees no two sends at once.
TEST_F (LinkPacing, SendsFromBothThreadsAreAllPacedAndKeepTheirOrder)
{
    ScopedVirtualClock::setMode (ScopedVirtualClock::instant);
    startConnected();
    ports.setSendDuration (std::chrono::microseconds (50));
    const auto answer = SimulatedInstrument::probeAnswer (0);
    kestrane->run ([&]
    {
        for (int n = 0; n < 40; ++n)
        {
            ports.deliver (ports.inputIdAt (0), answer.data(), static_cast<int> (answer.size()));
            std::this_thread::sleep_for (std::chrono::microseconds (100));
        }
    });
    for (int v = 0; v < 60; ++v)
    {
        const uint8_t cc[3] = { 0xB0, 40, static_cast<uint8_t> (v) };
        sendMidi (cc, 3);
        if (v % 20 == 0)
            sendSelectedSound();
    }
    ASSERT_TRUE (kestrane->waitUntilIdle());

    const auto s = sent();
    expectPaced (s, times());
    int requests = 0, dumps = 0, next = 0;
    for (const auto& m : s)
    {
        if (m == globalRequest)
            ++requests;
        else if (m.size() == 1330)
            ++dumps;
        else
        {
            ASSERT_EQ (m.size(), 3u);
            EXPECT_EQ (m[2], next++);
        }
    }
    EXPECT_EQ (requests, 40);
    // A dump still waiting when the next is queued gives way to it; the last one always goes.
    EXPECT_GE (dumps, 1);
    EXPECT_LE (dumps, 3);
    EXPECT_EQ (next, 60);
    EXPECT_EQ (ports.faults(), 0);
}

// The real clock: the window's thread does not wait, the sender does.
TEST (LinkPacingRealClock, TheSenderWaitsForTheCableAndNobodyElse)
{
    resetLinkState();
    ScopedFakeMidiPorts fake;
    fake.ports.setOutputCount (1);
    auto main = std::make_unique<MainContentComponent>();
    main->setVisible (true);
    main->timerCallback();  // opens the output and probes it
    ASSERT_TRUE (main->isOutputOpen (0));

    MidiBytes sysex (100, 0x01);
    sysex.front() = 0xF0;
    sysex.back() = 0xF7;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 3; ++i)
        main->sendToOutput (0, sysex.data(), static_cast<int> (sysex.size()));
    EXPECT_LT (std::chrono::steady_clock::now() - start, std::chrono::milliseconds (20));
    ASSERT_TRUE (waitForSender());
    const auto took = std::chrono::steady_clock::now() - start;
    // Probe (6 bytes) and two messages of 100 bytes had to leave before the last one.
    EXPECT_GE (took, std::chrono::microseconds ((6 + 200) * microsecondsPerByte - 2000));
    const auto t = fake.ports.sentTimes (fake.ports.outputIdAt (0));
    ASSERT_EQ (t.size(), 4u);
    expectPaced (fake.ports.sentTo (fake.ports.outputIdAt (0)), t);
    main.reset();
    resetLinkState();
}
