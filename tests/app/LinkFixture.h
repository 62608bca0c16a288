#pragma once
// A main component on fake ports with a simulated instrument, pauses recorded, ticks run by hand.

#include <memory>
#include <gtest/gtest.h>
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
        ScopedPauseRecorder::clear();
    }

    void tick()
    {
        main->timerCallback();
        if (kestrane != nullptr)
        {
            ASSERT_TRUE (kestrane->waitUntilIdle());
        }
    }

    // Connected, with what the connection sent forgotten.
    void startConnected (int inputs = 1, int outputs = 1, int out = 0, int in = 0)
    {
        start (inputs, outputs, out, in);
        tick();
        ASSERT_EQ (main->chosenOutput.load(), out);
        kestrane->clearReceived();
        ports.clearSent();
        ScopedPauseRecorder::clear();
    }

    // From the instrument's own thread, as the MIDI input thread would deliver it.
    void fromInstrument (const MidiBytes& m)
    {
        kestrane->sendBytes (m);
        ASSERT_TRUE (kestrane->waitUntilIdle());
    }

    SoundVector& user() { return main->userSounds; }

    std::vector<int> pauses() const { return ScopedPauseRecorder::pauses(); }

    ScopedFakeMidiPorts fake;
    FakeMidiPorts& ports = fake.ports;
    ScopedPauseRecorder pauseRecorder;
    std::unique_ptr<SimulatedInstrument> kestrane;
    std::unique_ptr<MainContentComponent> main;
};
