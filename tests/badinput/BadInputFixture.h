#pragma once
// The real main component, connected to the simulated instrument on fake ports, its pauses
// recorded and its ticks run by hand; and what it holds, taken whole so that a case can show
// that nothing of it changed.

#include <cstring>
#include <memory>
#include <vector>
#include <gtest/gtest.h>
#include "app/InstrumentLink.h"
#include "app/MainContentComponent.h"
#include "sound/FactorySoundSet.h"
#include "sound/SoundDump.h"
#include "sound/SoundRecord.h"
#include "tests/support/FakeMidiPorts.h"
#include "tests/support/SimulatedInstrument.h"
#include "tests/support/TestSupport.h"

inline MidiBytes factoryDump (int i)
{
    return MidiBytes (factorySoundSet + i * soundDumpLength, factorySoundSet + (i + 1) * soundDumpLength);
}

// Factory sound 0 renamed, as a well-formed dump for `program`.
inline MidiBytes namedDump (const char* name, int program)
{
    SoundRecord r;
    initSoundRecord (&r);
    auto d = factoryDump (0);
    parseSoundDump (&r, d.data());
    setSoundName (&r, name);
    MidiBytes out (soundDumpLength);
    encodeSoundDump (&r, out.data(), static_cast<uint8_t> (program));
    return out;
}

inline juce::String nameOf (const SoundRecord& r) { return juce::String (r.nameText()).trimEnd(); }

// Everything a bad message could damage.
struct Held
{
    std::vector<SoundRecord> user, library;
    uint8_t global[GlobalBlock::size];
    int chosenOutput;

    bool sameRecords (const std::vector<SoundRecord>& a, const std::vector<SoundRecord>& b, size_t count) const
    {
        if (a.size() < count || b.size() < count)
            return false;
        return count == 0 || std::memcmp (a.data(), b.data(), count * sizeof (SoundRecord)) == 0;
    }
};

class BadInputFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        resetLinkState();
        ports.setInputCount (1);
        ports.setOutputCount (1);
        kestrane = std::make_unique<SimulatedInstrument> (ports, ports.outputIdAt (0), ports.inputIdAt (0));
        main = std::make_unique<MainContentComponent>();
        main->stopTimer();
        ASSERT_TRUE (connectInstrument (*main, *kestrane));
        // What the connection brought: the instrument's global dump.
        tick();
        kestrane->clearReceived();
        ScopedVirtualClock::clear();
    }

    void TearDown() override
    {
        main.reset();
        kestrane.reset();
        resetLinkState();
    }

    void tick()
    {
        main->timerCallback();
        ASSERT_TRUE (kestrane->waitUntilIdle());
    }

    Held held()
    {
        const juce::ScopedLock sl (userSoundsLock);
        Held h;
        h.user = main->userSounds.records;
        h.library = main->librarySounds.records;
        globalBlock.copyTo (h.global);
        h.chosenOutput = main->chosenOutput.load();
        return h;
    }

    ScopedFakeMidiPorts fake;
    FakeMidiPorts& ports = fake.ports;
    ScopedVirtualClock clock;
    std::unique_ptr<SimulatedInstrument> kestrane;
    std::unique_ptr<MainContentComponent> main;
};
