#pragma once
// The content page inside a main component, connected to a simulated instrument.

#include <dlfcn.h>
#include <memory>
#include <gtest/gtest.h>
#include "app/InstrumentLink.h"
#include "app/MainContentComponent.h"
#include "library/SoundPanel.h"
#include "sound/CcConversion.h"
#include "sound/SoundDump.h"
#include "tests/support/FakeMidiPorts.h"
#include "tests/support/SimulatedInstrument.h"
#include "tests/support/TestSupport.h"

class PageFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        resetLinkState();
        fake.ports.setInputCount (1);
        fake.ports.setOutputCount (1);
        kestrane = std::make_unique<SimulatedInstrument> (fake.ports, fake.ports.outputIdAt (0), fake.ports.inputIdAt (0));
        main = std::make_unique<MainContentComponent>();
        main->stopTimer();  // ticks are run by hand
        ASSERT_TRUE (connectInstrument (*main, *kestrane));
        forgetSent();
    }

    void TearDown() override
    {
        main.reset();
        kestrane.reset();
        resetLinkState();
    }

    void forgetSent()
    {
        kestrane->waitUntilIdle();
        kestrane->clearReceived();
    }

    std::vector<MidiBytes> ccs()
    {
        kestrane->waitUntilIdle();
        return kestrane->receivedCcs();
    }

    std::vector<MidiBytes> dumps()
    {
        kestrane->waitUntilIdle();
        return kestrane->receivedSoundDumps();
    }

    // The main component as a window of its own at the screen's top left. Without a window
    // manager the X server refuses a few of JUCE's window properties; those errors are harmless
    // here and must not end the test.
    void showOnDesktop()
    {
        using Handler = int (*) (void*, void*);
        if (void* x11 = dlopen ("libX11.so.6", RTLD_LAZY))
            if (auto setHandler = reinterpret_cast<Handler (*) (Handler)> (dlsym (x11, "XSetErrorHandler")))
                setHandler ([] (void*, void*) { return 0; });
        main->setBounds (0, 0, 1024, 768);
        main->addToDesktop (0);
        main->setVisible (true);
        pumpMessageLoop (300);
    }

    SoundPanel& page() { return *main->soundPanel; }
    SoundVector& user() { return main->userSounds; }
    SoundVector& library() { return main->librarySounds; }

    ScopedVirtualClock clock;
    ScopedFakeMidiPorts fake;
    std::unique_ptr<SimulatedInstrument> kestrane;
    std::unique_ptr<MainContentComponent> main;
};

// CC 73 with this value, on whatever channel the instrument uses.
inline bool isLayerMix (const MidiBytes& m, int value)
{
    return m.size() == 3 && (m[0] & 0xF0) == 0xB0 && m[1] == 73 && m[2] == value;
}

// A transparent child that counts its paints: laid over a part of a component, it is painted
// whenever that part is redrawn.
struct PaintSpy : juce::Component
{
    PaintSpy() { setInterceptsMouseClicks (false, false); }
    void paint (juce::Graphics&) override { ++paints; }
    int paints = 0;
};
