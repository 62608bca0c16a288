// The link through a musician's day: a knob turned right after a Program Change, an instrument
// switched on after the editor, the Global dialog while the instrument talks, the instrument's own
// CCs and dumps reaching the open pages.
#include <atomic>
#include <chrono>
#include <thread>
#include "tests/app/LinkFixture.h"
#include "controls/dpot.h"
#include "controls/tpot.h"
#include "controls/zbutton.h"
#include "controls/zpot.h"
#include "editor/EditPanel.h"
#include "controls/FmSlider.h"
#include "editor/FmPanel.h"
#include "editor/FxPanel.h"
#include "editor/GlobalDialog.h"
#include "editor/SamplePanel.h"
#include "sound/CcConversion.h"

namespace
{
void selectOnly (SoundVector& list, int index)
{
    const juce::ScopedLock sl (userSoundsLock);
    for (int i = 0; i < list.size(); ++i)
        list[i].setSelected (i == index);
}

int ccOf (SoundRecord& r, int cc)
{
    const juce::ScopedLock sl (userSoundsLock);
    return getCc (&r, cc, true);
}

// The sound in a dump, read back.
int ccInDump (const MidiBytes& dump, int cc)
{
    SoundRecord r;
    initSoundRecord (&r);
    if (parseSoundDump (&r, dump.data()) < 0)
        return -1000;
    return getCc (&r, cc, true);
}

// Holds the instrument's thread until released, so that what it answers arrives later.
struct Latch
{
    std::atomic<bool> open { false };
    void holdOn (SimulatedInstrument& k)
    {
        k.run ([this] { while (! open.load()) std::this_thread::sleep_for (std::chrono::milliseconds (1)); });
    }
};
}

class LinkDay : public LinkFixture
{
protected:
    // A tick as the timer makes it, 300 ms after the last.
    void timedTick()
    {
        ScopedVirtualClock::advance (300000);
        tick();
    }

    int probesTo (int output) const
    {
        int n = 0;
        for (const auto& m : ports.sentTo (ports.outputIdAt (output)))
            if (m == probe (output))
                ++n;
        return n;
    }

    // Opens the Global dialog as its button does.
    GlobalDialog& openGlobalDialog()
    {
        main->globalButton->setToggleState (true, juce::dontSendNotification);
        main->toggleGlobalDialog();
        pumpMessageLoop (30);
        return *main->globalDialog;
    }

    // Ticks until the global block has gone out (at most 10); what the instrument got.
    std::vector<MidiBytes> globalDumpsSentWithin10Ticks()
    {
        for (int t = 0; t < 10 && kestrane->receivedGlobalDumps().empty(); ++t)
        {
            tick();
            pumpMessageLoop (5);
        }
        return kestrane->receivedGlobalDumps();
    }
};

//==============================================================================
// The instrument sends C0 p and then B0 21 63 before the next tick.
TEST_F (LinkDay, AKnobTurnedRightAfterAProgramChangeLandsInThatProgram)
{
    struct Case { const char* what; int listSize; int program; int recordThatTakesIt; };
    const Case cases[] = {
        { "another program", 28, 5, 5 },
        { "the current program", 28, 0, 0 },
        { "a program past the list's end", 20, 24, -1 },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.what);
        startConnected();
        {
            const juce::ScopedLock sl (userSoundsLock);
            user().records.resize (static_cast<size_t> (c.listSize));
        }
        selectOnly (user(), 0);
        std::vector<int> before;
        for (int i = 0; i < user().size(); ++i)
            before.push_back (ccOf (user()[i], 33));

        kestrane->sendProgramChange (0, c.program);
        kestrane->sendCc (0, 33, 99);
        ASSERT_TRUE (kestrane->waitUntilIdle());
        tick();
        pumpMessageLoop (20);

        for (int i = 0; i < user().size(); ++i)
            EXPECT_EQ (ccOf (user()[i], 33), i == c.recordThatTakesIt ? 99 : before[static_cast<size_t> (i)])
                << "record " << i;

        // The sound that went to the edit buffer carries the knob's value.
        const auto dumps = kestrane->receivedSoundDumps();
        if (c.recordThatTakesIt > 0)
        {
            ASSERT_EQ (dumps.size(), 1u);
            EXPECT_EQ (ccInDump (dumps[0], 33), 99);
        }
        main.reset();
        kestrane.reset();
        resetLinkState();
        ports.clearSent();
    }
}

//==============================================================================
TEST_F (LinkDay, AnInstrumentSwitchedOnLaterIsFoundAndThenLeftInPeace)
{
    start (1, 2, 1, 0);
    kestrane->answersProbes = false;  // still off
    std::vector<int> probeTicks;
    for (int t = 0; t < 40; ++t)
    {
        const int before = probesTo (0);
        timedTick();
        EXPECT_EQ (probesTo (1), probesTo (0));  // every open output is asked
        if (probesTo (0) > before)
            probeTicks.push_back (t);
    }
    ASSERT_GE (probeTicks.size(), 2u);
    EXPECT_EQ (probeTicks.front(), 0);
    for (size_t k = 1; k < probeTicks.size(); ++k)
    {
        const int gap = probeTicks[k] - probeTicks[k - 1];
        EXPECT_LE (gap * 300, 2000) << "probes " << gap << " ticks apart";
        EXPECT_GE (gap, 2) << "probing on every tick";
    }

    // Switched on: found within 2 s.
    kestrane->answersProbes = true;
    int ticks = 0;
    while (main->chosenOutput.load() < 0 && ticks < 20)
    {
        timedTick();
        ++ticks;
    }
    EXPECT_EQ (main->chosenOutput.load(), 1);
    EXPECT_LE (ticks * 300, 2000);

    // Once it has answered, no more probes until the ports change.
    const int asked = probesTo (0);
    for (int t = 0; t < 30; ++t)
        timedTick();
    EXPECT_EQ (probesTo (0), asked);
    ports.addOutput();
    timedTick();
    EXPECT_EQ (probesTo (0), asked + 1);
}

//==============================================================================
// An edit in the Global dialog waits 0.9 to 2.1 s for its send; a global dump that arrives
// meanwhile (a device plugged in makes the probe answer fetch the block again) brings the
// instrument's other settings but leaves the edited byte as the user set it.
TEST_F (LinkDay, AGlobalEditWaitingToBeSentOutlivesAGlobalDump)
{
    struct Case { const char* what; std::function<void (GlobalDialog&)> edit; int byte; uint8_t value; };
    const Case cases[] = {
        { "transpose -3", [] (GlobalDialog& d) { d.transposeKnob->setValue (-3, juce::sendNotificationSync); }, 5, 61 },
        { "master tune 100", [] (GlobalDialog& d) { d.masterTuneKnob->setValue (100, juce::sendNotificationSync); }, 6, 100 },
        { "CH 04", [] (GlobalDialog& d) { d.channelBox.setSelectedId (4, juce::sendNotificationSync); }, 7, 3 },
        { "pedal open", [] (GlobalDialog& d) { d.pedalBox.setSelectedId (3, juce::sendNotificationSync); }, 9, 2 },
        { "level high", [] (GlobalDialog& d) { d.levelBox.setSelectedId (4, juce::sendNotificationSync); }, 10, 3 },
    };
    // The instrument's settings by then: transpose +7, tune 20, channel 9, pedal closed, level line.
    const auto dump = SimulatedInstrument::globalDumpWith (0x47, 20, 8, 1, 1);
    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.what);
        startConnected();
        auto& dialog = openGlobalDialog();
        kestrane->clearReceived();
        c.edit (dialog);
        ASSERT_NE (globalSendCountdown.load(), 0);

        kestrane->sendBytes (dump);
        ASSERT_TRUE (kestrane->waitUntilIdle());

        const auto sent = globalDumpsSentWithin10Ticks();
        ASSERT_EQ (sent.size(), 1u);
        for (int b : { 5, 6, 7, 9, 10 })
            EXPECT_EQ (sent[0][static_cast<size_t> (b)], b == c.byte ? c.value : dump[static_cast<size_t> (b)]) << "byte " << b;

        // Sent: the next dump replaces the byte again.
        kestrane->sendBytes (dump);
        ASSERT_TRUE (kestrane->waitUntilIdle());
        EXPECT_EQ (globalBlock.get (c.byte), dump[static_cast<size_t> (c.byte)]);
        main.reset();
        kestrane.reset();
        resetLinkState();
    }
}

//==============================================================================
// The instrument answers the dialog's request later than the 50 ms wait (transpose +5 where the
// block still says +3); later it sends another dump of its own.
TEST_F (LinkDay, TheGlobalDialogFollowsTheBlockAndItsLoadWritesNothingBack)
{
    startConnected();
    ASSERT_EQ (globalBlock.get (GlobalBlock::transpose), 0x43);  // the instrument's +3, from the connection
    kestrane->globalDump = SimulatedInstrument::globalDumpWith (0x45, 0x40, 0x10, 0, 0);

    Latch late;
    late.holdOn (*kestrane);
    auto& dialog = openGlobalDialog();
    EXPECT_EQ (static_cast<int> (dialog.transposeKnob->getValue()), 3);
    late.open = true;
    ASSERT_TRUE (kestrane->waitUntilIdle());
    kestrane->clearReceived();
    pumpMessageLoop (30);

    EXPECT_EQ (globalBlock.get (GlobalBlock::transpose), 0x45);
    EXPECT_EQ (globalSendCountdown.load(), 0);
    tick();
    EXPECT_EQ (static_cast<int> (dialog.transposeKnob->getValue()), 5);

    // A dump of its own while the dialog is open, hidden or shown: every control follows it.
    struct Shown { uint8_t transpose, tune, channel, pedal, level; int transposeValue, channelId, pedalId, levelId; };
    const Shown shown[] = {
        { 40, 0, 0, 2, 5, -12, 1, 3, 2 },      // transpose below -12 shows -12; level 5 shows "line"
        { 100, 127, 15, 1, 3, 12, 16, 2, 4 },  // above +12 shows +12
        { 0x40, 0x40, 16, 0, 0, 0, 17, 1, 1 }, // the defaults: 0, 440 Hz, OMNI, auto, low
    };
    for (const auto& s : shown)
    {
        SCOPED_TRACE (static_cast<int> (s.transpose));
        kestrane->sendBytes (SimulatedInstrument::globalDumpWith (s.transpose, s.tune, s.channel, s.pedal, s.level));
        ASSERT_TRUE (kestrane->waitUntilIdle());
        tick();
        pumpMessageLoop (20);
        EXPECT_EQ (static_cast<int> (dialog.transposeKnob->getValue()), s.transposeValue);
        EXPECT_EQ (static_cast<int> (dialog.masterTuneKnob->getValue()), s.tune);
        EXPECT_EQ (dialog.channelBox.getSelectedId(), s.channelId);
        EXPECT_EQ (dialog.pedalBox.getSelectedId(), s.pedalId);
        EXPECT_EQ (dialog.levelBox.getSelectedId(), s.levelId);
        EXPECT_EQ (globalSendCountdown.load(), 0);
        EXPECT_EQ (globalBlock.get (GlobalBlock::transpose), s.transpose);  // nothing written back
    }
    for (int t = 0; t < 10; ++t)
        tick();
    EXPECT_TRUE (kestrane->receivedGlobalDumps().empty());
}

//==============================================================================
// The instrument's knob turns; the editor shows the new value and sends nothing back. Control
// numbers from the pages' tables: Effects knob 3 is CC 93, knob 14 CC 85; Model knob 3 CC 35.
TEST_F (LinkDay, ThePagesShowTheInstrumentsOwnCcsWithoutSendingThemBack)
{
    enum Page { model, effects, sample, fm };
    struct Case { const char* what; Page page; int cc; int value; int knob; };
    const Case cases[] = {
        { "Effects: chorus depth", effects, 93, 40, 3 },
        { "Effects: equaliser bass", effects, 85, 100, 14 },
        { "Model: pickup type", model, 47, 3, -1 },
        { "Model: tine decay", model, 35, 90, 3 },
        { "Sample: sample", sample, 70, 4, -1 },
        { "FM: pitch of modulator A", fm, 60, 17, 0 },
        { "FM: the CC that decay 1 and decay rate 2 of pair A share", fm, 54, 90, 4 },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.what);
        startConnected();
        if (c.page == model)
            main->showModelPage();
        else if (c.page == effects)
            main->showEffectsPage();
        else if (c.page == fm)
            main->showFmPage();
        else
            main->showSamplePage();
        pumpMessageLoop (30);  // the page's own load may send (the pickup type does)
        ASSERT_TRUE (kestrane->waitUntilIdle());
        kestrane->clearReceived();

        kestrane->sendCc (0, c.cc, c.value);
        ASSERT_TRUE (kestrane->waitUntilIdle());
        tick();
        pumpMessageLoop (40);
        ASSERT_TRUE (kestrane->waitUntilIdle());
        EXPECT_TRUE (kestrane->receivedCcs().empty()) << kestrane->receivedCcs().size() << " CCs sent back";

        // And the page shows what the sound now holds.
        const int held = ccOf (user()[0], c.cc);
        if (c.page == effects)
            EXPECT_EQ (static_cast<int> (main->fxPanel->knobs[c.knob]->getValue()), held);
        else if (c.page == fm)
            EXPECT_EQ (static_cast<int> (main->fmPanel->bars[c.knob]->getValue()), held);
        else if (c.knob >= 0)
            EXPECT_EQ (static_cast<int> (main->editPanel->knobs[c.knob]->getValue()), held);
        else if (c.page == model)
            EXPECT_EQ (main->editPanel->pickup.getSelectedId(), c.value + 1);
        else
            EXPECT_EQ (main->samplePanel->samples.getSelectedId(), c.value + 1);
        main.reset();
        kestrane.reset();
        resetLinkState();
    }
}

//==============================================================================
// A dump for the program on show (the instrument stored an edit, or answered the sound request).
TEST_F (LinkDay, ADumpThatReplacesTheShownSoundReloadsItsPage)
{
    struct Case { const char* what; bool effectsPage; int cc; int knob; int value; };
    const Case cases[] = {
        { "Effects: chorus depth", true, 93, 3, 77 },
        { "Effects: equaliser treble", true, 88, 17, 20 },
        { "Model: bar level", false, 37, 5, 66 },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.what);
        startConnected();
        if (c.effectsPage)
            main->showEffectsPage();
        else
            main->showModelPage();
        pumpMessageLoop (30);
        ASSERT_TRUE (kestrane->waitUntilIdle());
        kestrane->clearReceived();
        auto* knob = c.effectsPage ? main->fxPanel->knobs[c.knob] : main->editPanel->knobs[c.knob];
        const int before = static_cast<int> (knob->getValue());

        SoundRecord changed;
        initSoundRecord (&changed);
        auto dump = factoryDump (0);
        ASSERT_GE (parseSoundDump (&changed, dump.data()), 0);
        setCc (&changed, c.cc, c.value, true);
        encodeSoundDump (&changed, dump.data(), 0);
        kestrane->sendSoundDump (0, dump);
        ASSERT_TRUE (kestrane->waitUntilIdle());
        tick();
        pumpMessageLoop (40);

        const int held = ccOf (user()[0], c.cc);
        ASSERT_NE (held, before);
        EXPECT_EQ (static_cast<int> (knob->getValue()), held);
        ASSERT_TRUE (kestrane->waitUntilIdle());
        EXPECT_TRUE (kestrane->receivedCcs().empty());

        // The next turn of the knob goes on from the shown value.
        knob->setValue (held + 1, juce::sendNotificationSync);
        ASSERT_TRUE (kestrane->waitUntilIdle());
        const auto ccs = kestrane->receivedCcs();
        ASSERT_EQ (ccs.size(), 1u);
        // On the instrument's channel (3, from its global dump).
        EXPECT_EQ (ccs[0], (MidiBytes { 0xB2, static_cast<uint8_t> (c.cc), static_cast<uint8_t> (held + 1) }));
        main.reset();
        kestrane.reset();
        resetLinkState();
    }
}
