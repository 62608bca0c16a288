#pragma once
// A main component on fake ports with a simulated instrument, on the virtual clock, ticks run by hand.

#include <algorithm>
#include <memory>
#include <gtest/gtest.h>
#include "app/FileDialogs.h"
#include "app/InstrumentLink.h"
#include "app/MainContentComponent.h"
#include "sound/FactorySoundSet.h"
#include "sound/SoundDump.h"
#include "tests/support/FakeMidiPorts.h"
#include "tests/support/SimulatedInstrument.h"
#include "tests/support/TestSupport.h"

inline MidiBytes factoryDump (int i)
{
    return MidiBytes (factorySoundSet + i * soundDumpLength, factorySoundSet + (i + 1) * soundDumpLength);
}

// Factory sound `base` renamed, as a dump for `program`.
inline MidiBytes namedDump (const char* name, int program = 127, int base = 0)
{
    SoundRecord r;
    initSoundRecord (&r);
    auto d = factoryDump (base);
    parseSoundDump (&r, d.data());
    setSoundName (&r, name);
    MidiBytes out (soundDumpLength);
    encodeSoundDump (&r, out.data(), static_cast<uint8_t> (program));
    return out;
}

// The soundset dump's question answered, for the life of the object: "Dump with Presets" unless
// told otherwise.
struct DumpAnswer : FileDialogs
{
    DumpAnswer() { setFileDialogs (this); }
    ~DumpAnswer() override { setFileDialogs (nullptr); }
    int answer = dumpWithPresets;
    int askSoundsetDump() override { return answer; }
};

inline MidiBytes probe (int i) { return { 0xF0, 0x7D, 0x2B, static_cast<uint8_t> (i), 0x7A, 0xF7 }; }
inline const MidiBytes globalRequest { 0xF0, 0x7D, 0x2B, 0x7F, 0x02, 0x7F, 0xF7 };

class LinkFixture : public ::testing::Test
{
protected:
    void SetUp() override { resetLinkState(); }

    void TearDown() override
    {
        main.reset();
        kestrane.reset();
        resetLinkState();
    }

    // The instrument sits on output `out` and answers through input `in`; -1 leaves it out.
    void start (int inputs, int outputs, int out = 0, int in = 0)
    {
        ports.setInputCount (inputs);
        ports.setOutputCount (outputs);
        if (out >= 0)
            kestrane = std::make_unique<SimulatedInstrument> (ports, ports.outputIdAt (out), ports.inputIdAt (in));
        main = std::make_unique<MainContentComponent>();
        main->setVisible (true);
        ScopedVirtualClock::clear();
    }

    // One tick, and what it sent (with the instrument's answers) gone out.
    void tick()
    {
        main->timerCallback();
        if (kestrane != nullptr)
        {
            ASSERT_TRUE (kestrane->waitUntilIdle());
        }
        else
        {
            ASSERT_TRUE (waitForSender());
        }
    }

    // Connected, with what the connection sent forgotten.
    void startConnected (int inputs = 1, int outputs = 1, int out = 0, int in = 0)
    {
        start (inputs, outputs, out, in);
        tick();
        ASSERT_EQ (main->chosenOutput.load(), out);
        // The global request leaves once the probe has left the cable (on the manual clock too).
        ScopedVirtualClock::advance (100000);
        settle();
        kestrane->clearReceived();
        ports.clearSent();
        ScopedVirtualClock::clear();
    }

    // From the instrument's own thread, as the MIDI input thread would deliver it.
    void fromInstrument (const MidiBytes& m)
    {
        kestrane->sendBytes (m);
        ASSERT_TRUE (kestrane->waitUntilIdle());
    }

    SoundVector& user() { return main->userSounds; }

    // With the manual clock: lets `microseconds` of time pass, each message leaving when it falls
    // due and, with `ticking`, the timer running every 300 ms as it would meanwhile.
    void runClock (int64_t microseconds, bool ticking = true)
    {
        const int64_t end = ScopedVirtualClock::now() + microseconds;
        if (nextTickAt < ScopedVirtualClock::now())
            nextTickAt = ScopedVirtualClock::now() + 300000;
        for (;;)
        {
            settle();
            const int64_t now = ScopedVirtualClock::now();
            const int64_t next = std::min ({ main->sender.nextDue(), ticking ? nextTickAt : end, end });
            if (next > now)
                ScopedVirtualClock::advance (next - now);
            settle();
            if (ticking && ScopedVirtualClock::now() >= nextTickAt)
            {
                nextTickAt += 300000;
                main->timerCallback();
            }
            if (ScopedVirtualClock::now() >= end)
                break;
        }
        settle();
    }

    // With the manual clock: what is due now has gone, and the instrument has done its part.
    void settle()
    {
        if (kestrane != nullptr)
        {
            ASSERT_TRUE (kestrane->waitUntilIdle());
        }
        else
        {
            ASSERT_TRUE (waitForSender());
        }
    }
    int64_t nextTickAt = 0;

    ScopedFakeMidiPorts fake;
    FakeMidiPorts& ports = fake.ports;
    ScopedVirtualClock clock;
    std::unique_ptr<SimulatedInstrument> kestrane;
    std::unique_ptr<MainContentComponent> main;
};
