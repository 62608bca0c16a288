// The MIDI thread against the message thread: CCs, dumps, probe answers and global dumps arrive
// without pause while the ports are rescanned and the component is finally destroyed. Run under
// ThreadSanitizer in CI.
#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include "tests/app/LinkFixture.h"
#include "library/SoundPanel.h"
#include "sound/CcConversion.h"

using LinkThreads = LinkFixture;

static std::string nameOf (const SoundRecord& r) { return juce::String (r.nameText()).trimEnd().toStdString(); }

TEST_F (LinkThreads, FloodDuringRescansAndShutdown)
{
    start (2, 3, 1, 1);
    tick();
    ASSERT_EQ (main->chosenOutput.load(), 1);
    main->showModelPage();

    const int inputId = ports.inputIdAt (1);
    std::atomic<bool> stop { false };
    std::atomic<int> delivered { 0 };
    const auto dump = factoryDump (2);
    const auto global = SimulatedInstrument::defaultGlobalDump();
    const auto answer = SimulatedInstrument::probeAnswer (1);

    kestrane->run ([&]
    {
        for (int n = 0; ! stop.load(); ++n)
        {
            const MidiBytes cc { static_cast<uint8_t> (0xB0 | (n & 15)), static_cast<uint8_t> (32 + n % 15),
                                 static_cast<uint8_t> (n & 127) };
            MidiBytes d = dump;
            d[5] = static_cast<uint8_t> (n % 40 == 0 ? 127 : n % 28);
            const MidiBytes pc { 0xC0, static_cast<uint8_t> (n % 28) };
            for (const MidiBytes* m : std::initializer_list<const MidiBytes*> { &cc, &d, &answer, &global, &pc })
                if (ports.deliver (inputId, m->data(), static_cast<int> (m->size())))
                    ++delivered;
            std::this_thread::sleep_for (std::chrono::microseconds (200));
        }
    });

    for (int t = 0; t < 60; ++t)
    {
        if (t % 10 == 3)
            ports.setOutputCount (ports.outputCount() == 3 ? 4 : 3);
        if (t % 10 == 7)
        {
            // Another input at the end, or the last one gone: every input is closed and reopened.
            if (ports.inputIdAt (2) < 0)
                ports.addInput();
            else
                ports.removeInput (ports.inputIdAt (2));
        }
        if (t % 5 == 0)
            sendSelectedSound();
        if (t % 7 == 0)
            globalSendCountdown |= 4;
        main->timerCallback();
        pumpMessageLoop (2);
    }

    main.reset();  // while the flood goes on
    std::this_thread::sleep_for (std::chrono::milliseconds (5));  // a count in flight lands
    const int afterShutdown = delivered.load();
    std::this_thread::sleep_for (std::chrono::milliseconds (30));
    stop = true;
    ASSERT_TRUE (kestrane->waitUntilIdle (20000));

    EXPECT_GT (afterShutdown, 0);
    EXPECT_EQ (delivered.load(), afterShutdown);  // nothing reaches a closed input
    EXPECT_EQ (ports.openInputCount() + ports.openOutputCount(), 0);
    EXPECT_EQ (ports.faults(), 0);
}

// The instrument floods the input while the timer runs: every message of the flood is accounted
// for, not just some. Fewer dumps than the ring holds, so none may be dropped, though half of
// them wait in it at once.
TEST_F (LinkThreads, EveryMessageOfAFloodGoesWhereItBelongs)
{
    startConnected();
    ASSERT_TRUE (user()[0].isSelected());
    const int inputId = ports.inputIdAt (0);

    // One dump for each of programs 1..27, then as many for the edit buffer (each one appended).
    constexpr int rounds = 54;
    std::vector<MidiBytes> dumps;
    for (int n = 0; n < rounds; ++n)
        dumps.push_back (namedDump (("Flood " + std::to_string (n)).c_str(), n < 27 ? 1 + n : 127, n % 28));
    const auto answer = SimulatedInstrument::probeAnswer (0);
    std::atomic<int> answers { 0 }, roundsDelivered { 0 };
    const int dumpsBefore = globalBlock.dumpsReceived();

    kestrane->run ([&]
    {
        for (int n = 0; n < rounds; ++n)
        {
            const MidiBytes cc { static_cast<uint8_t> (0xB0 | (n & 15)), 33, static_cast<uint8_t> (64 + n) };
            const auto global = SimulatedInstrument::globalDumpWith (static_cast<uint8_t> (n), 0x40, 0, 0, 0x7F);
            ASSERT_TRUE (ports.deliver (inputId, cc.data(), 3));
            ASSERT_TRUE (ports.deliver (inputId, dumps[static_cast<size_t> (n)].data(), soundDumpLength));
            ASSERT_TRUE (ports.deliver (inputId, global.data(), static_cast<int> (global.size())));
            if (n % 9 == 4)
            {
                ASSERT_TRUE (ports.deliver (inputId, answer.data(), static_cast<int> (answer.size())));
                ++answers;
            }
            ++roundsDelivered;
            std::this_thread::sleep_for (std::chrono::microseconds (300));
        }
    });
    // Half the flood waits in the ring before the timer starts draining it.
    while (roundsDelivered.load() < rounds / 2)
        std::this_thread::sleep_for (std::chrono::microseconds (100));
    for (int t = 0; t < 40; ++t)
    {
        main->timerCallback();
        pumpMessageLoop (2);
    }
    ASSERT_TRUE (kestrane->waitUntilIdle (20000));  // the flood, then the answers to its requests
    for (int t = 0; t < 3; ++t)
        tick();

    // Each dump in its own record, the appended ones in the order they came.
    ASSERT_EQ (user().size(), 1 + rounds);
    for (int n = 0; n < rounds; ++n)
        EXPECT_EQ (nameOf (user()[1 + n]), "Flood " + std::to_string (n)) << "record " << 1 + n;
    // Every CC into the current sound, the last one last.
    {
        const juce::ScopedLock sl (userSoundsLock);
        EXPECT_EQ (getCc (&user()[0], 33, true), 64 + rounds - 1);
    }
    // Each probe answer brought one global request, and the instrument's answer to it is the
    // block now; with the flood's own global dumps, every one was taken.
    int requests = 0;
    for (const auto& m : ports.sentTo (ports.outputIdAt (0)))
        requests += m == globalRequest ? 1 : 0;
    EXPECT_EQ (requests, answers.load());
    EXPECT_EQ (globalBlock.dumpsReceived() - dumpsBefore, rounds + answers.load());
    uint8_t block[GlobalBlock::size];
    globalBlock.copyTo (block);
    EXPECT_EQ (MidiBytes (block, block + GlobalBlock::size), SimulatedInstrument::defaultGlobalDump());
    EXPECT_EQ (main->chosenOutput.load(), 0);
    EXPECT_EQ (ports.faults(), 0);
}

// The system's backend sends on every output through one sequencer handle, so the global request
// that the MIDI thread sends after a probe answer must never overlap the rescan's probes on the
// other outputs. The fake's sends share one unlocked buffer as that handle does.
TEST_F (LinkThreads, GlobalRequestNeverOverlapsTheRescansProbesOnOtherOutputs)
{
    const int instrumentOutput = 2;
    start (1, 4, instrumentOutput, 0);
    tick();
    ASSERT_EQ (main->chosenOutput.load(), instrumentOutput);
    ports.setSendDuration (std::chrono::microseconds (50));

    const int inputId = ports.inputIdAt (0);
    std::atomic<bool> stop { false };
    const auto answer = SimulatedInstrument::probeAnswer (instrumentOutput);
    kestrane->run ([&]
    {
        while (! stop.load())
        {
            ports.deliver (inputId, answer.data(), static_cast<int> (answer.size()));
            std::this_thread::sleep_for (std::chrono::microseconds (20));
        }
    });

    // Each output count change closes every output, opens them again and probes each.
    for (int t = 0; t < 150; ++t)
    {
        ports.setOutputCount (t % 2 == 0 ? 5 : 4);
        main->timerCallback();
    }
    stop = true;
    ASSERT_TRUE (kestrane->waitUntilIdle (20000));
    ports.setSendDuration (std::chrono::microseconds (0));

    EXPECT_EQ (ports.faults(), 0);
    // What each output carried is its own probe or, on the instrument's output, the request:
    // no message came out of the shared buffer mixed with another.
    for (int i = 0; i < 5; ++i)
    {
        const int id = ports.outputIdAt (i);
        for (const auto& m : ports.sentTo (id))
        {
            const bool ownProbe = m == probe (i);
            const bool request = i == instrumentOutput && m == globalRequest;
            ASSERT_TRUE (ownProbe || request) << "output " << i;
        }
    }
    main.reset();
}

// The MIDI thread writes the engine (CC 22) and the layer mix (CC 73) into the current sound while
// the lists draw its row from those very words.
TEST_F (LinkThreads, ListsPaintWhileCcsFloodIntoTheCurrentSound)
{
    startConnected();
    auto& list = main->soundPanel->userList;
    ASSERT_TRUE (user()[0].isSelected());

    const int inputId = ports.inputIdAt (0);
    std::atomic<bool> stop { false };
    kestrane->run ([&]
    {
        for (int n = 0; ! stop.load(); ++n)
        {
            const MidiBytes engine { 0xB0, 22, static_cast<uint8_t> (n % 3) };
            const MidiBytes mix { 0xB3, 73, static_cast<uint8_t> ((n * 37) & 127) };
            ports.deliver (inputId, engine.data(), 3);
            ports.deliver (inputId, mix.data(), 3);
        }
    });

    for (int i = 0; i < 60; ++i)
    {
        list.createComponentSnapshot (list.getLocalBounds());
        main->soundPanel->libraryList.createComponentSnapshot (main->soundPanel->libraryList.getLocalBounds());
        if (i % 10 == 0)
            main->timerCallback();
    }
    stop = true;
    ASSERT_TRUE (kestrane->waitUntilIdle (20000));

    // The last CCs show: a selected Sample sound ("S" on 0xFFDFDFD0, lifted by 0x00101000 on a
    // selected row) and, with the mix at 0, no second box.
    fromInstrument ({ 0xB0, 22, 1 });
    fromInstrument ({ 0xB0, 73, 0 });
    const auto image = list.createComponentSnapshot (list.getLocalBounds());
    const int width = list.getVisibleRowWidth();
    EXPECT_EQ (image.getPixelAt (width - 29, 3), juce::Colour (0xFFEFEFD0));
    EXPECT_EQ (image.getPixelAt (width - 13, 3), juce::Colour (0xFFEFD531));  // the row's own fill
}
