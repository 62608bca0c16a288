// Arbitrary MIDI from the instrument's side into the real main component's input callback, and the
// timer after it. The input is a run of chunks: two bytes of length (low 12 bits), then that many
// bytes as one message; a length of 0 runs a tick. Its first byte chooses the page on show (low
// bits), so that received sounds and CCs reach every page's loader; whether the window is drawn at
// the end (0x40), so that whatever the sounds hold reaches the list rows and the pages' drawing
// too; and whether no output has answered (0x80).
//
// Besides the sanitizers, the run stops on what no input may do: leave dumps in the ring after
// the drain, lose one of the 28 program slots, touch the library, or send anything but a whole
// message the editor makes.
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>
#include <juce_gui_basics/juce_gui_basics.h>
#include "app/InstrumentLink.h"
#include "app/MainContentComponent.h"
#include "app/Pause.h"
#include "editor/EditPanel.h"
#include "editor/FmPanel.h"
#include "editor/FxPanel.h"
#include "editor/SamplePanel.h"
#include "library/SoundPanel.h"
#include "tests/support/FakeMidiPorts.h"
#include "tests/support/TestSupport.h"

namespace juce { bool dispatchNextMessageOnSystemQueue (bool returnIfNoPendingMessages); }

namespace
{

// Sends wait for the cable on a clock that only the waits move on.
std::atomic<int64_t> fuzzMicroseconds { 0 };
int64_t fuzzClock() { return fuzzMicroseconds.load(); }
void fuzzWait (int64_t microseconds) { fuzzMicroseconds += microseconds; }

struct Harness
{
    Harness()
    {
        setClock (fuzzClock, fuzzWait);
        fake.ports.setInputCount (1);
        fake.ports.setOutputCount (2);
        main = std::make_unique<MainContentComponent>();
        main->stopTimer();
        main->setVisible (true);
        main->timerCallback();  // opens the ports and probes them
        startUser = main->userSounds.records;
        startLibrary = main->librarySounds.records;
    }

    void reset (uint8_t page)
    {
        resetLinkState();
        {
            const juce::ScopedLock sl (userSoundsLock);
            main->userSounds.records = startUser;
        }
        main->chosenOutput = (page & 0x80) != 0 ? -1 : 0;
        main->showContentPage();
        switch ((page & 0x3F) % 5)
        {
            case 1: showPage (1); break;
            case 2: main->showFmPage(); shownEnginePage = 2; break;
            case 3: main->showSamplePage(); shownEnginePage = 1; break;
            case 4: showPage (2); break;
            default: break;
        }
        fake.ports.clearSent();
    }

    // What the pages posted to themselves while loading, without waiting when nothing is there.
    void pump()
    {
        for (int i = 0; i < 8 && juce::dispatchNextMessageOnSystemQueue (true); ++i) {}
    }

    // What shows the sounds' contents: every row of the user list, the layer mix and the controls
    // of the page on show (backgrounds left out: they hold nothing of the sounds and would cost
    // most of each run).
    void draw()
    {
        auto& list = main->soundPanel->userList;
        {
            juce::Graphics rowGraphics (rowImage);  // a row draws over all that it is given, as in its list
            for (int row = 0; row < list.getNumRows(); ++row)
                list.paintListBoxItem (row, rowGraphics, rowImage.getWidth(), rowImage.getHeight(), row % 3 == 0);
        }
        juce::Graphics g (canvas);
        main->soundPanel->layerSlider.paintEntireComponent (g, true);
        for (juce::Component* page : { static_cast<juce::Component*> (main->editPanel), static_cast<juce::Component*> (main->fmPanel),
                                       static_cast<juce::Component*> (main->fxPanel), static_cast<juce::Component*> (main->samplePanel) })
            if (page != nullptr)
                for (auto* control : page->getChildren())
                    control->paintEntireComponent (g, true);
    }

    juce::Image canvas { juce::Image::ARGB, 400, 200, true };
    juce::Image rowImage { juce::Image::ARGB, 220, 16, true };

    void check()
    {
        // What the input made the editor send has left (the clock moves with every wait).
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds (5);
        while (! main->sender.idle() && std::chrono::steady_clock::now() < end)
            std::this_thread::yield();
        if (! main->sender.idle())
            std::abort();  // the sender is stuck
        if (sysexReadIndex.load() != sysexWriteIndex.load())
            std::abort();  // the drain left dumps behind
        if (main->userSounds.size() < 28)
            std::abort();  // a program slot was lost
        if (main->librarySounds.records.size() != startLibrary.size()
            || std::memcmp (main->librarySounds.records.data(), startLibrary.data(),
                            startLibrary.size() * sizeof (SoundRecord)) != 0)
            std::abort();  // MIDI never writes the library
        for (int out = 0; out < 2; ++out)
            for (const auto& m : fake.ports.sentTo (fake.ports.outputIdAt (out)))
            {
                bool sysex = m.size() >= 6 && m.front() == 0xF0 && m.back() == 0xF7;
                for (size_t i = 1; sysex && i + 1 < m.size(); ++i)
                    sysex = m[i] < 0x80;
                const bool cc = m.size() == 3 && (m[0] & 0xF0) == 0xB0 && m[1] < 0x80 && m[2] < 0x80;
                if (! sysex && ! cc)
                    std::abort();  // something went out that the editor does not make
            }
    }

    ScopedFakeMidiPorts fake;
    std::unique_ptr<MainContentComponent> main;
    std::vector<SoundRecord> startUser, startLibrary;
};

Harness* harness = nullptr;
juce::ScopedJuceInitialiser_GUI* gui = nullptr;
} // namespace

extern "C" int LLVMFuzzerInitialize (int*, char***)
{
    // This thread becomes the message thread. Both live until the process ends: taking JUCE down
    // under a fuzzer that exits from anywhere would only test the fuzzer's exit.
    gui = new juce::ScopedJuceInitialiser_GUI();
    harness = new Harness();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput (const uint8_t* data, size_t size)
{
    if (size == 0 || size > (1u << 18))
        return 0;
    auto& h = *harness;
    auto& main = *h.main;
    h.reset (data[0]);

    size_t pos = 1;
    while (pos + 2 <= size)
    {
        const size_t length = (data[pos] | (data[pos + 1] << 8)) & 0x0FFF;
        pos += 2;
        if (length == 0)
        {
            main.timerCallback();
            continue;
        }
        const size_t take = std::min (length, size - pos);
        if (take == 0)
            break;
        const juce::MidiMessage message (data + pos, static_cast<int> (take), 0.0);
        main.handleIncomingMidiMessage (nullptr, message);
        pos += take;
    }

    // A Program Change ends its tick early; the next one drains.
    main.timerCallback();
    main.timerCallback();
    h.pump();
    main.timerCallback();
    h.check();
    if ((data[0] & 0x40) != 0)
        h.draw();
    return 0;
}
