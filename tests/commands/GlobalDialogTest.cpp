// The Global dialog: request and load on creation (which writes nothing back), edits into the
// global block, and the block that the timer sends afterwards.
#include <functional>
#include "tests/commands/CommandsFixture.h"
#include "app/InstrumentLink.h"
#include "controls/dpot.h"
#include "controls/tpot.h"
#include "controls/zbutton.h"
#include "editor/GlobalDialog.h"

namespace
{
const MidiBytes globalRequest { 0xF0, 0x7D, 0x2B, 0x7F, 0x02, 0x7F, 0xF7 };

MidiBytes withChecksum (MidiBytes block)
{
    int sum = 0;
    for (int i = 1; i <= 19; ++i)
        sum += block[static_cast<size_t> (i)] & 0x7F;
    block[21] = static_cast<uint8_t> ((0 - sum) & 0x7F);
    return block;
}

bool checksumHolds (const MidiBytes& block)
{
    int sum = block[21];
    for (int i = 1; i <= 19; ++i)
        sum += block[static_cast<size_t> (i)];
    return (sum & 0x7F) == 0;
}

MidiBytes blockBytes()
{
    MidiBytes b (GlobalBlock::size);
    globalBlock.copyTo (b.data());
    return b;
}
}

class GlobalDialogTest : public CommandsTest
{
protected:
    void openByButton()
    {
        main->globalButton->triggerClick();
        pumpMessageLoop (40);
        ASSERT_NE (main->globalDialog, nullptr);
    }

    // Ticks until the block goes out or `limit` ticks have passed; the global dumps sent.
    std::vector<MidiBytes> tickUntilSent (int limit)
    {
        std::vector<MidiBytes> dumps;
        for (int t = 0; t < limit && dumps.empty(); ++t)
        {
            main->timerCallback();
            EXPECT_TRUE (instrument->waitUntilIdle());
            dumps = instrument->receivedGlobalDumps();
        }
        return dumps;
    }
};

TEST_F (GlobalDialogTest, FirstOpeningRequestsAndShowsTheAnswerWithoutSendingItBack)
{
    MidiBytes theirs = SimulatedInstrument::defaultGlobalDump();
    theirs[5] = 0x43;  // +3
    theirs[6] = 0x50;
    theirs[7] = 3;     // CH 04
    theirs[9] = 1;     // closed
    theirs[10] = 2;    // medium
    instrument->globalDump = withChecksum (theirs);

    // The dialog shows at once; the instrument's answer arrives meanwhile and the next tick shows it.
    openByButton();
    ASSERT_TRUE (instrument->waitUntilIdle());
    main->timerCallback();
    pumpMessageLoop (40);

    auto& d = *main->globalDialog;
    EXPECT_EQ (instrument->received(), (std::vector<MidiBytes> { globalRequest }));
    EXPECT_EQ (d.transposeKnob->getValue(), 3.0);
    EXPECT_EQ (d.masterTuneKnob->getValue(), 80.0);
    EXPECT_EQ (d.channelBox.getText(), "CH 04");
    EXPECT_EQ (d.pedalBox.getText(), "closed");
    EXPECT_EQ (d.levelBox.getText(), "medium");

    instrument->clearReceived();
    EXPECT_TRUE (tickUntilSent (10).empty());  // showing is not editing

    // Shown again: the same dialog, no second request.
    main->globalDialog->closeSpot.triggerClick();
    pumpMessageLoop (30);
    auto* same = main->globalDialog;
    instrument->clearReceived();
    openByButton();
    EXPECT_EQ (main->globalDialog, same);
    ASSERT_TRUE (instrument->waitUntilIdle());
    EXPECT_TRUE (instrument->received().empty());
}

TEST_F (GlobalDialogTest, ShowsTheBlockAndLeavesItAsItWas)
{
    struct Case
    {
        int byte, value;
        double transpose, tune;
        const char *channel, *pedal, *level;
    };
    const Case cases[] = {
        { 5, 0x40,  0,  64, "OMNI", "auto",   "low" },
        { 5, 40,  -12,  64, "OMNI", "auto",   "low" },
        { 5, 100,  12,  64, "OMNI", "auto",   "low" },
        { 9, 2,     0,  64, "OMNI", "open",   "low" },
        { 10, 5,    0,  64, "OMNI", "auto",   "line" },
        { 7, 0,     0,  64, "CH 01", "auto",  "low" },
        { 6, 127,   0, 127, "OMNI", "auto",   "low" },
    };
    main->chosenOutput = -1;  // no answer overwrites the block
    for (const auto& c : cases)
    {
        resetLinkState();
        globalBlock.set (c.byte, static_cast<uint8_t> (c.value));
        GlobalDialog d;
        EXPECT_EQ (d.transposeKnob->getValue(), c.transpose) << "byte " << c.byte << " = " << c.value;
        EXPECT_EQ (d.masterTuneKnob->getValue(), c.tune) << "byte " << c.byte << " = " << c.value;
        EXPECT_EQ (d.channelBox.getText(), c.channel) << "byte " << c.byte << " = " << c.value;
        EXPECT_EQ (d.pedalBox.getText(), c.pedal) << "byte " << c.byte << " = " << c.value;
        EXPECT_EQ (d.levelBox.getText(), c.level) << "byte " << c.byte << " = " << c.value;

        pumpMessageLoop (30);
        EXPECT_EQ (globalBlock.get (c.byte), c.value) << "byte " << c.byte << " = " << c.value;
        EXPECT_EQ (globalSendCountdown.load(), 0) << "byte " << c.byte << " = " << c.value;
    }
}

TEST_F (GlobalDialogTest, EachEditWritesItsByteAndArmsTheSend)
{
    main->chosenOutput = -1;
    resetLinkState();  // the default block, so that every edit below is a change
    GlobalDialog d;
    pumpMessageLoop (30);

    struct Case { const char* what; std::function<void()> edit; int byte, value; };
    const Case cases[] = {
        { "CH 01",         [&] { d.channelBox.setSelectedId (1, juce::sendNotificationSync); }, 7, 0 },
        { "OMNI",          [&] { d.channelBox.setSelectedId (17, juce::sendNotificationSync); }, 7, 16 },
        { "CH 16",         [&] { d.channelBox.setSelectedId (16, juce::sendNotificationSync); }, 7, 15 },
        { "high",          [&] { d.levelBox.setSelectedId (4, juce::sendNotificationSync); }, 10, 3 },
        { "closed",        [&] { d.pedalBox.setSelectedId (2, juce::sendNotificationSync); }, 9, 1 },
        { "transpose -3",  [&] { d.transposeKnob->setValue (-3, juce::sendNotificationSync); }, 5, 61 },
        { "transpose +12", [&] { d.transposeKnob->setValue (12, juce::sendNotificationSync); }, 5, 76 },
        { "tune 100",      [&] { d.masterTuneKnob->setValue (100, juce::sendNotificationSync); }, 6, 100 },
    };
    for (const auto& c : cases)
    {
        globalSendCountdown = 1;
        c.edit();
        EXPECT_EQ (globalBlock.get (c.byte), c.value) << c.what;
        EXPECT_EQ (globalSendCountdown.load(), 5) << c.what;
    }
}

TEST_F (GlobalDialogTest, EditsInARowGoOutOnceWithChecksumAndSetTheChannel)
{
    openByButton();
    ASSERT_TRUE (tickUntilSent (10).empty());  // the first opening sends nothing back
    instrument->clearReceived();

    auto& d = *main->globalDialog;
    d.transposeKnob->setValue (-3, juce::sendNotificationSync);
    main->timerCallback();
    d.channelBox.setSelectedId (5, juce::sendNotificationSync);  // CH 05
    EXPECT_EQ (globalSendCountdown.load(), 7);

    std::vector<MidiBytes> sent;
    int ticks = 0;
    while (sent.empty() && ticks < 10)
    {
        main->timerCallback();
        ASSERT_TRUE (instrument->waitUntilIdle());
        sent = instrument->receivedGlobalDumps();
        ++ticks;
    }
    EXPECT_EQ (ticks, 7);
    ASSERT_EQ (sent.size(), 1u);
    EXPECT_EQ (sent[0][5], 61);
    EXPECT_EQ (sent[0][7], 4);
    EXPECT_TRUE (checksumHolds (sent[0]));
    EXPECT_EQ (sent[0], blockBytes());

    for (int t = 0; t < 8; ++t)
        main->timerCallback();
    ASSERT_TRUE (instrument->waitUntilIdle());
    EXPECT_EQ (instrument->receivedGlobalDumps().size(), 1u);

    instrument->clearReceived();
    const uint8_t volume[3] = { 0xB0, 7, 100 };
    sendMidi (volume, 3);
    ASSERT_TRUE (instrument->waitUntilIdle());
    EXPECT_EQ (instrument->receivedCcs(), (std::vector<MidiBytes> { { 0xB4, 7, 100 } }));
}

TEST_F (GlobalDialogTest, CloseSpotTurnsTheGlobalButtonOffAndHidesTheDialog)
{
    openByButton();
    auto* dialog = main->globalDialog;
    ASSERT_TRUE (main->globalButton->getToggleState());
    EXPECT_EQ (dialog->getParentComponent(), main.get());
    EXPECT_EQ (main->globalButton->getParentComponent(), dialog);

    dialog->closeSpot.triggerClick();
    pumpMessageLoop (30);

    EXPECT_FALSE (main->globalButton->getToggleState());
    EXPECT_EQ (dialog->getParentComponent(), nullptr);
    EXPECT_EQ (main->globalButton->getParentComponent(), main.get());
    EXPECT_EQ (main->globalDialog, dialog);
}
