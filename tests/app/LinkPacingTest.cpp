// Sends paced to a MIDI cable: 31,250 baud, 10 bits a byte, so a byte takes 320 us on the wire and
// a 1330-byte sound dump 425.6 ms. No message may go out before the bytes sent before it could
// have left; the pauses after a dump, before a Program Change's send and in the Global dialog stay
// as the least wait. Times are read from the virtual clock of the pause recorder.
#include <chrono>
#include <thread>
#include "tests/app/LinkFixture.h"
#include "app/FileDialogs.h"
#include "app/Pause.h"

namespace
{
constexpr int64_t microsecondsPerByte = 320;  // 10 bits at 31,250 bits a second
constexpr int64_t dumpOnWire = 1330 * microsecondsPerByte;

struct DumpAnswer : FileDialogs
{
    int answer = dumpCancelled;
    int askSoundsetDump() override { return answer; }
};

struct ScopedDialogs
{
    explicit ScopedDialogs (FileDialogs& d) { setFileDialogs (&d); }
    ~ScopedDialogs() { setFileDialogs (nullptr); }
};

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

    const uint8_t cc[3] = { 0xB0, 7, 100 };
    sendSelectedSound();            // 1330 bytes, then 200 ms
    sendMidi (cc, 3);               // a CC right behind a dump
    main->requestSounds();          // the sound request, straight to the output
    ASSERT_TRUE (kestrane->waitUntilIdle());
    globalSendCountdown = 1;
    tick();                         // the global block
    sendSelectedSound();
    sendSelectedSound();            // two dumps back to back: the pause alone is too short

    const auto s = sent();
    ASSERT_EQ (s.size(), 8u);
    EXPECT_EQ (s[0], probe (0));
    EXPECT_EQ (s[1], globalRequest);
    EXPECT_EQ (s[2].size(), 1330u);
    EXPECT_EQ (s[3], (MidiBytes { 0xB2, 7, 100 }));  // on the instrument's channel, 3
    EXPECT_EQ (s[4], (MidiBytes { 0xF0, 0x7D, 0x2B, 0x7F, 0x00, 0x7F, 0xF7 }));
    EXPECT_EQ (s[5].size(), 23u);
    EXPECT_EQ (s[6].size(), 1330u);
    EXPECT_EQ (s[7].size(), 1330u);
    expectPaced (s, times());

    // The two last dumps: the cable decides, 425.6 ms apart, not 200.
    const auto t = times();
    EXPECT_EQ (t[7] - t[6], dumpOnWire);
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
        ScopedDialogs installed (dialogs);

        const int64_t before = ScopedPauseRecorder::now();
        main->dumpSoundset();
        const int64_t held = ScopedPauseRecorder::now() - before;
        ASSERT_TRUE (kestrane->waitUntilIdle());

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
        // The window is held until the last send and its pause are done.
        EXPECT_GE (held, (count - 1) * dumpOnWire + 200000);

        // The pauses are still made after every dump.
        EXPECT_EQ (pauses(), std::vector<int> (static_cast<size_t> (count), 200));

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

TEST_F (LinkPacing, PausesStayTheLeastWaitForShortMessages)
{
    // A Program Change: the 20 ms pause, then the dump; the next dump after its 200 ms pause
    // waits only for what is left of the cable's time.
    startConnected();
    kestrane->sendProgramChange (0, 3);
    ASSERT_TRUE (kestrane->waitUntilIdle());
    const int64_t before = ScopedPauseRecorder::now();
    tick();
    EXPECT_EQ (pauses(), (std::vector<int> { 20, 200 }));
    const auto t = times();
    ASSERT_EQ (t.size(), 1u);
    EXPECT_EQ (t[0] - before, 20000);  // nothing else on the cable: the pause alone

    sendSelectedSound();
    const auto w = ScopedPauseRecorder::wireWaits();
    ASSERT_EQ (w.size(), 1u);
    EXPECT_EQ (w[0], dumpOnWire - 200000);
}

TEST_F (LinkPacing, SmallMessagesOnAQuietCableAreNotHeld)
{
    startConnected();
    ScopedPauseRecorder::advance (1000000);  // a second later: the cable is quiet
    ScopedPauseRecorder::clear();

    const uint8_t cc[3] = { 0xB0, 32, 1 };
    sendMidi (cc, 3);
    EXPECT_TRUE (ScopedPauseRecorder::wireWaits().empty());

    // A knob turned fast: each CC waits at most for the one before it, under a millisecond.
    for (int v = 0; v < 20; ++v)
    {
        const uint8_t turn[3] = { 0xB0, 33, static_cast<uint8_t> (v) };
        sendMidi (turn, 3);
    }
    for (auto w : ScopedPauseRecorder::wireWaits())
        EXPECT_LE (w, 3 * microsecondsPerByte);
    expectPaced (sent(), times());
    ASSERT_TRUE (kestrane->waitUntilIdle());
    EXPECT_EQ (kestrane->receivedCcs().size(), 21u);
}

// Both threads send on one output: the MIDI thread the global request after every probe answer,
// the message thread CCs and dumps. All arrive, each thread's in its order, paced.
TEST_F (LinkPacing, SendsFromBothThreadsAreAllPacedAndKeepTheirOrder)
{
    startConnected();
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
    EXPECT_EQ (dumps, 3);
    EXPECT_EQ (next, 60);
    EXPECT_EQ (ports.faults(), 0);
}

// The real clock: the sender really waits for the cable.
TEST (LinkPacingRealClock, TheSenderWaitsForTheCable)
{
    resetLinkState();
    const auto keptPause = setPauseFunction ([] (int) {});  // the pauses are not what is measured
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
    const auto took = std::chrono::steady_clock::now() - start;
    // Probe (6 bytes) and two messages of 100 bytes had to leave before the last one.
    EXPECT_GE (took, std::chrono::microseconds ((6 + 200) * microsecondsPerByte - 2000));
    const auto t = fake.ports.sentTimes (fake.ports.outputIdAt (0));
    ASSERT_EQ (t.size(), 4u);
    expectPaced (fake.ports.sentTo (fake.ports.outputIdAt (0)), t);
    main.reset();
    resetLinkState();
    setPauseFunction (keptPause);
}
