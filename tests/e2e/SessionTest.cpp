// A whole session in the real window on the X display, driven with the mouse through the X server
// (xdotool) while the program's own timer runs, against the simulated instrument. Screenshots of
// every page are left in <build>/e2e-shots for a person to look at; they are not compared.
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <gtest/gtest.h>
#include "app/FileDialogs.h"
#include "app/InstrumentLink.h"
#include "app/KE3Application.h"
#include "app/MainContentComponent.h"
#include "controls/Images.h"
#include "controls/zbutton.h"
#include "controls/zpot.h"
#include "controls/FmSlider.h"
#include "editor/About.h"
#include "editor/Algorithm.h"
#include "editor/EditPanel.h"
#include "editor/FmPanel.h"
#include "editor/FxPanel.h"
#include "editor/GlobalDialog.h"
#include "editor/SamplePanel.h"
#include "library/SoundPanel.h"
#include "sound/CcConversion.h"
#include "sound/FactorySoundSet.h"
#include "sound/SoundDump.h"
#include "tests/e2e/E2eSupport.h"
#include "tests/sound/ConversionOracle.h"
#include "tests/support/FakeMidiPorts.h"
#include "tests/support/SimulatedInstrument.h"
#include "tests/support/TestSupport.h"

namespace
{
struct AnsweringDialogs : FileDialogs
{
    std::string chooseFileToOpen (const juce::String&, const juce::String&) override { return file.getFullPathName().toStdString(); }
    std::string chooseFileToSave (const juce::String&, const juce::String&) override { return file.getFullPathName().toStdString(); }
    int askSoundsetDump() override { return dumpWithPresets; }
    juce::File file;
};

MidiBytes factoryDump (int i)
{
    return MidiBytes (factorySoundSet + i * soundDumpLength, factorySoundSet + (i + 1) * soundDumpLength);
}

// The instrument's own version of factory sound i: same engine, its own name.
MidiBytes instrumentSound (int i)
{
    SoundRecord r;
    initSoundRecord (&r);
    auto d = factoryDump (i);
    parseSoundDump (&r, d.data());
    setSoundName (&r, ("Kestrane " + juce::String (i).paddedLeft ('0', 2)).toRawUTF8());
    MidiBytes out (soundDumpLength);
    encodeSoundDump (&r, out.data(), static_cast<uint8_t> (i));
    return out;
}

MidiBytes encoded (const SoundRecord& r, int program)
{
    MidiBytes out (soundDumpLength);
    encodeSoundDump (&r, out.data(), static_cast<uint8_t> (program));
    return out;
}

juce::String nameOf (const SoundRecord& r) { return juce::String (r.nameText()).trimEnd(); }

// The instrument's CCs of the controls that the session turns, as its MIDI chart gives them.
constexpr int hammerLevelCc = 32;           // Model page, knob 0 "HAMMER_Level"
constexpr int modulatorAVelocityCc = 59;    // FM page, bar 3: Modulator A, Velocity Sensitivity
constexpr int chorusSwitch = 1;             // effects page, switch 1 "CHORUS_Active": mask bit 1
constexpr int chorusMaskBit = 1;
constexpr int effectMaskResetCc = 30;
constexpr int effectMaskCc = 31;

int firstOfEngine (const SoundVector& v, uint32_t engine)
{
    for (int i = 0; i < v.size(); ++i)
        if (v[i][SoundRecord::engineType] == engine)
            return i;
    return -1;
}
} // namespace

class Session : public ::testing::Test
{
protected:
    void SetUp() override
    {
        resetLinkState();
        ports.setInputCount (1);
        ports.setOutputCount (2);  // the instrument is on the second output
        kestrane = std::make_unique<SimulatedInstrument> (ports, ports.outputIdAt (1), ports.inputIdAt (0));
        for (int i = 0; i < 28; ++i)
            kestrane->programs[static_cast<size_t> (i)] = instrumentSound (i);
        setFileDialogs (&dialogs);
        window = std::make_unique<KE3Application::MainWindow> ("K-Editor");
        main = dynamic_cast<MainContentComponent*> (window->getContentComponent());
        ASSERT_NE (main, nullptr);
        ASSERT_TRUE (waitForWindow (*window));
        folder = juce::File::getSpecialLocation (juce::File::tempDirectory).getChildFile ("ke-e2e-" + juce::String (getpid()));
        folder.createDirectory();
    }

    void TearDown() override
    {
        window.reset();
        kestrane.reset();
        setFileDialogs (nullptr);
        resetLinkState();
        folder.deleteRecursively();
    }

    // Runs the message loop, and so the program's own timer, until `done` holds.
    bool until (std::function<bool()> done, int timeoutMs = 8000)
    {
        const auto end = juce::Time::getMillisecondCounter() + static_cast<juce::uint32> (timeoutMs);
        while (! done())
        {
            if (juce::Time::getMillisecondCounter() > end)
                return false;
            pumpMessageLoop (20);
        }
        return true;
    }

    void settle() { pumpMessageLoop (400); kestrane->waitUntilIdle(); pumpMessageLoop (100); }

    SoundPanel& content() { return *main->soundPanel; }

    zbutton* contentButton (int command)
    {
        for (auto* b : content().buttons)
            if (b != nullptr && b->getCommandID() == command)
                return b;
        return nullptr;
    }

    void clickRow (Soundlist& list, int row)
    {
        const auto area = list.getRowPosition (row, true);
        clickAt (list.localPointToGlobal (area.getCentre().translated (-area.getWidth() / 4, 0)));
    }

    void shot (const char* name) { settle(); screenshotOfScreen (name); }

    // The instrument turns a parameter itself: the control on the page follows, the record holds
    // the value, and nothing is sent back.
    void instrumentTurns (std::function<juce::Slider*()> control, int cc, int record)
    {
        SCOPED_TRACE (testing::Message() << "CC " << cc << " from the instrument");
        ASSERT_NE (control(), nullptr);
        kestrane->clearReceived();
        const int theirs = control()->getValue() > 64 ? 20 : 100;
        kestrane->sendCc (5, cc, theirs);
        ASSERT_TRUE (until ([&] { return control() != nullptr && static_cast<int> (control()->getValue()) == theirs; }))
            << "the page did not show the instrument's value";
        settle();
        EXPECT_TRUE (kestrane->receivedCcs().empty()) << "the instrument's own change was sent back";
        const juce::ScopedLock sl (userSoundsLock);
        EXPECT_EQ (getCc (&main->userSounds[record], cc, false), theirs);
    }

    ScopedFakeMidiPorts fake;
    FakeMidiPorts& ports = fake.ports;
    AnsweringDialogs dialogs;
    std::unique_ptr<SimulatedInstrument> kestrane;
    std::unique_ptr<KE3Application::MainWindow> window;
    MainContentComponent* main = nullptr;
    juce::File folder;
};

TEST_F (Session, FromFirstProbeToSavedAndReloadedSounds)
{
    // Found by its probe on the second output; its global settings come back with the answer.
    ASSERT_TRUE (until ([&] { return main->chosenOutput.load() == 1; })) << "the instrument was not found";
    ASSERT_TRUE (until ([&] { return globalBlock.get (GlobalBlock::channel) == kestrane->globalDump[7]; }));
    EXPECT_EQ (kestrane->probesAnswered(), 1);
    EXPECT_TRUE (ports.sentTo (ports.outputIdAt (0)).size() == 1) << "the other output got more than its probe";

    // The factory set in both lists.
    for (int i = 0; i < 28; ++i)
    {
        EXPECT_EQ (nameOf (main->userSounds[i]), oracle::factoryNames[i]);
        EXPECT_TRUE (content().userList.rowText (i).contains (oracle::factoryNames[i])) << content().userList.rowText (i);
        EXPECT_TRUE (content().libraryList.rowText (i).contains (oracle::factoryNames[i]));
    }
    shot ("scale1-01-content-factory");

    // "ReqSet": the instrument's 28 sounds replace the factory set in the user list.
    kestrane->clearReceived();
    clickOn (*contentButton (4));
    ASSERT_TRUE (until ([&] { return nameOf (main->userSounds[27]) == "Kestrane 27"; })) << "the request brought nothing";
    settle();
    ASSERT_EQ (main->userSounds.size(), 28);
    for (int i = 0; i < 28; ++i)
    {
        EXPECT_EQ (nameOf (main->userSounds[i]), "Kestrane " + juce::String (i).paddedLeft ('0', 2));
        EXPECT_TRUE (content().userList.rowText (i).contains ("Kestrane")) << content().userList.rowText (i);
        EXPECT_EQ (nameOf (main->librarySounds[i]), oracle::factoryNames[i]) << "the library changed";
    }
    shot ("scale1-02-content-from-instrument");

    // A click on a row makes that sound current and sends it to the edit buffer.
    const int modelSound = firstOfEngine (main->userSounds, 0) == 0 ? 1 : firstOfEngine (main->userSounds, 0);
    kestrane->clearReceived();
    clickRow (content().userList, modelSound);
    ASSERT_TRUE (until ([&] { return ! kestrane->receivedSoundDumps().empty(); })) << "selecting sent nothing";
    settle();
    EXPECT_EQ (main->userSounds.findCurrent(), modelSound);
    EXPECT_EQ (kestrane->receivedSoundDumps().back(), encoded (main->userSounds[modelSound], 127));

    // "Sound" opens the Model page; a turn of its first knob reaches the instrument and the record.
    clickOn (*main->mainButtons[2]);
    ASSERT_TRUE (until ([&] { return main->editPanel != nullptr && main->editPanel->isShowing(); }));
    shot ("scale1-03-model-page");
    kestrane->clearReceived();
    auto* knob = main->editPanel->knobs[0];
    dragOn (*knob, -25, -60);
    ASSERT_TRUE (until ([&] { return ! kestrane->receivedCcs().empty(); })) << "the knob sent nothing";
    settle();
    {
        const auto cc = kestrane->receivedCcs().back();
        const int channel = kestrane->globalDump[7];
        EXPECT_EQ (cc[0], 0xB0 | channel) << "not on the instrument's channel";
        EXPECT_EQ (cc[1], hammerLevelCc);
        EXPECT_EQ (cc[2], static_cast<int> (knob->getValue()));
        const juce::ScopedLock sl (userSoundsLock);
        EXPECT_EQ (getCc (&main->userSounds[modelSound], hammerLevelCc, false), cc[2]) << "the record missed the turn";
    }

    instrumentTurns ([&] { return main->editPanel != nullptr ? main->editPanel->knobs[0] : nullptr; },
                     hammerLevelCc, modelSound);

    // An FM sound on the FM page: a bar reaches the instrument and the record.
    const int fmSound = firstOfEngine (main->userSounds, 2);
    ASSERT_GE (fmSound, 0);
    clickOn (*main->mainButtons[1]);
    ASSERT_TRUE (until ([&] { return content().isShowing(); }));
    clickRow (content().userList, fmSound);
    ASSERT_TRUE (until ([&] { return main->userSounds.findCurrent() == fmSound; }));
    clickOn (*main->mainButtons[2]);
    ASSERT_TRUE (until ([&] { return main->fmPanel != nullptr && main->fmPanel->isShowing(); }));
    shot ("scale1-04-fm-page");
    kestrane->clearReceived();
    auto* bar = main->fmPanel->bars[3];
    dragOn (*bar, 30, -30);
    ASSERT_TRUE (until ([&] { return ! kestrane->receivedCcs().empty(); })) << "the bar sent nothing";
    settle();
    {
        const auto cc = kestrane->receivedCcs().back();
        EXPECT_EQ (cc[1], modulatorAVelocityCc);
        EXPECT_EQ (cc[2], static_cast<int> (bar->getValue()));
        const juce::ScopedLock sl (userSoundsLock);
        EXPECT_EQ (getCc (&main->userSounds[fmSound], modulatorAVelocityCc, false), cc[2]);
    }

    instrumentTurns ([&] { return main->fmPanel != nullptr ? main->fmPanel->bars[3] : nullptr; }, modulatorAVelocityCc, fmSound);

    // A Program Change from the instrument to a Model sound: selected, and the Model page shown.
    kestrane->clearReceived();
    kestrane->sendProgramChange (kestrane->globalDump[7], modelSound);
    ASSERT_TRUE (until ([&] { return main->editPanel != nullptr && main->fmPanel == nullptr; })) << "the page did not follow";
    settle();
    EXPECT_EQ (main->userSounds.findCurrent(), modelSound);
    ASSERT_FALSE (kestrane->receivedSoundDumps().empty());
    EXPECT_EQ (kestrane->receivedSoundDumps().back(), encoded (main->userSounds[modelSound], 127));

    // The other pages, for the record of how they look.
    clickOn (*main->mainButtons[3]);
    ASSERT_TRUE (until ([&] { return main->fxPanel != nullptr && main->fxPanel->isShowing(); }));
    shot ("scale1-05-effects-page");
    const int sampleSound = firstOfEngine (main->userSounds, 1);
    ASSERT_GE (sampleSound, 0);
    kestrane->sendProgramChange (0, sampleSound);
    ASSERT_TRUE (until ([&] { return main->userSounds.findCurrent() == sampleSound; }));
    clickOn (*main->mainButtons[2]);
    ASSERT_TRUE (until ([&] { return main->samplePanel != nullptr && main->samplePanel->isShowing(); }));
    shot ("scale1-06-sample-page");

    // The Global dialog: an edit goes out as the whole block, checksum and all.
    clickOn (*main->mainButtons[0]);
    ASSERT_TRUE (until ([&] { return main->globalDialog != nullptr && main->globalDialog->isShowing(); }));
    settle();
    pumpMessageLoop (2500);  // what the dialog wrote back on opening has gone out
    shot ("scale1-07-global-dialog");
    kestrane->clearReceived();
    const int pedal = (globalBlock.get (GlobalBlock::pedal) + 1) % 3;
    main->globalDialog->pedalBox.setSelectedItemIndex (pedal, juce::sendNotificationAsync);
    ASSERT_TRUE (until ([&] { return ! kestrane->receivedGlobalDumps().empty(); }, 4000)) << "the block never went out";
    {
        const auto block = kestrane->receivedGlobalDumps().back();
        ASSERT_EQ (block.size(), 23u);
        EXPECT_EQ (block[9], pedal);
        int sum = 0;
        for (int i = 1; i <= 19; ++i)
            sum += block[static_cast<size_t> (i)];
        EXPECT_EQ ((sum + block[21]) & 0x7F, 0) << "bad checksum";
    }
    clickOn (*main->mainButtons[0]);
    ASSERT_TRUE (until ([&] { return ! main->globalDialog->isShowing(); }));

    // The About box.
    clickOn (main->aboutSpot);
    ASSERT_TRUE (until ([&] { return main->about != nullptr && main->about->isShowing(); }));
    shot ("scale1-08-about");
    clickAt (main->localPointToGlobal (juce::Point<int> (512, 400)));
    ASSERT_TRUE (until ([&] { return ! main->about->isShowing(); }));

    // "DumpSet" with the presets: every program goes out under its own number.
    clickOn (*main->mainButtons[1]);
    ASSERT_TRUE (until ([&] { return content().isShowing(); }));
    kestrane->clearReceived();
    clickOn (*contentButton (5));
    ASSERT_TRUE (until ([&] { return kestrane->receivedSoundDumps().size() >= 28; }, 15000)) << "the soundset dump stopped short";
    settle();
    {
        const auto dumps = kestrane->receivedSoundDumps();
        ASSERT_EQ (dumps.size(), 28u);
        for (int p = 0; p < 28; ++p)
            EXPECT_EQ (dumps[static_cast<size_t> (p)], encoded (main->userSounds[p], p)) << "program " << p;
    }

    // "SaveSet", a change, then "LoadSet": the saved records come back whole.
    auto file = folder.getChildFile ("session.ksx");
    dialogs.file = file;
    clickOn (*contentButton (1));
    ASSERT_TRUE (until ([&] { return file.getSize() == 28 * soundDumpLength; })) << "nothing was saved";
    std::vector<SoundRecord> saved = main->userSounds.records;
    {
        SoundRecord other;
        initSoundRecord (&other);
        auto d = factoryDump (20);
        parseSoundDump (&other, d.data());
        kestrane->sendBytes (encoded (other, 3));
    }
    ASSERT_TRUE (until ([&] { return nameOf (main->userSounds[3]) == oracle::factoryNames[20]; }));
    clickOn (*contentButton (0));
    ASSERT_TRUE (until ([&] { return nameOf (main->userSounds[3]) == "Kestrane 03"; })) << "the file did not load back";
    settle();
    ASSERT_EQ (main->userSounds.size(), 28);
    for (int i = 0; i < 28; ++i)
    {
        const auto& a = main->userSounds[i];
        const auto& b = saved[static_cast<size_t> (i)];
        EXPECT_EQ (std::memcmp (a.w, b.w, SoundRecord::selected * 4), 0) << "record " << i;
        EXPECT_EQ (std::memcmp (a.w + SoundRecord::packedName, b.w + SoundRecord::packedName,
                                (SoundRecord::numWords - SoundRecord::packedName) * 4), 0) << "record " << i;
    }
    shot ("scale1-09-content-reloaded");
}

// The three page buttons clicked in every order: the page of the button that went on is shown,
// and only "Sound" sends the sound: the button that the radio group turns off does nothing.
TEST_F (Session, PageButtonsInEveryOrder)
{
    ASSERT_TRUE (until ([&] { return main->chosenOutput.load() == 1; }));
    const int sampleSound = firstOfEngine (main->userSounds, 1);
    ASSERT_GE (sampleSound, 0);
    clickRow (content().userList, sampleSound);
    ASSERT_TRUE (until ([&] { return main->userSounds.findCurrent() == sampleSound; }));
    settle();

    enum { contentPage = 1, soundPage = 2, effectsPage = 3 };
    auto shown = [&] (int page)
    {
        switch (page)
        {
            case contentPage: return content().isShowing() && main->samplePanel == nullptr && main->fxPanel == nullptr;
            case soundPage:   return main->samplePanel != nullptr && main->samplePanel->isShowing() && ! content().isShowing();
            default:          return main->fxPanel != nullptr && main->fxPanel->isShowing() && ! content().isShowing();
        }
    };
    for (int to : { soundPage, contentPage, effectsPage, soundPage, effectsPage, contentPage, soundPage, soundPage, contentPage })
    {
        SCOPED_TRACE (testing::Message() << "to " << main->mainButtons[to]->getName());
        kestrane->clearReceived();
        clickOn (*main->mainButtons[to]);
        ASSERT_TRUE (until ([&] { return shown (to); })) << "the page did not come";
        settle();
        EXPECT_TRUE (main->mainButtons[to]->getToggleState());
        EXPECT_EQ (main->algorithm->isVisible(), to == soundPage);
        // Coming back to the content page refreshes its lists, and a refresh may send the current
        // sound once more; nothing else is sent for a page.
        const auto sent = kestrane->receivedSoundDumps().size();
        if (to == soundPage)
            EXPECT_EQ (sent, 1u);
        else if (to == contentPage)
            EXPECT_LE (sent, 1u);
        else
            EXPECT_EQ (sent, 0u);
    }
}

// A double click on a row opens its name for typing; Return keeps what was typed, and the window
// takes clicks again afterwards.
TEST_F (Session, RenameWithTheKeyboard)
{
    ASSERT_TRUE (until ([&] { return main->chosenOutput.load() == 1; }));
    const int row = 8;
    clickRow (content().userList, row);
    ASSERT_TRUE (until ([&] { return main->userSounds.findCurrent() == row; }));
    settle();
    const uint32_t fingerprintBefore[2] = { main->userSounds[row].w[0], main->userSounds[row].w[1] };

    const auto area = content().userList.getRowPosition (row, true);
    const auto at = content().userList.localPointToGlobal (area.getCentre().translated (-area.getWidth() / 4, 0));
    xdotoolCommand ("mousemove " + juce::String (at.x) + " " + juce::String (at.y) + " click --repeat 2 --delay 80 1");
    ASSERT_TRUE (until ([&] { return content().userList.editorLabel != nullptr && content().userList.editorLabel->getCurrentTextEditor() != nullptr; }))
        << "no rename field opened";
    settle();
    xdotoolCommand ("key --delay 20 ctrl+a BackSpace");
    xdotoolCommand ("type --delay 20 'Stage Tines 73'");
    xdotoolCommand ("key Return");
    ASSERT_TRUE (until ([&] { return nameOf (main->userSounds[row]) == "Stage Tines 73"; })) << nameOf (main->userSounds[row]);
    settle();
    EXPECT_TRUE (content().userList.rowText (row).contains ("Stage Tines 73")) << content().userList.rowText (row);
    EXPECT_FALSE (main->userSounds[row].w[0] == fingerprintBefore[0] && main->userSounds[row].w[1] == fingerprintBefore[1])
        << "the renamed sound kept its old fingerprint";
    shot ("scale1-10-content-renamed");

    // Nothing holds the keyboard or the mouse any more.
    clickRow (content().userList, 3);
    EXPECT_TRUE (until ([&] { return main->userSounds.findCurrent() == 3; })) << "the window no longer takes clicks";
    EXPECT_EQ (nameOf (main->userSounds[row]), "Stage Tines 73");
}

// The controls that are not knobs or bars: the content page's layer mix, an effect's switch (one
// mask for all seven) and the engine selector.
TEST_F (Session, LayerMixEffectSwitchAndEngineReachTheInstrument)
{
    ASSERT_TRUE (until ([&] { return main->chosenOutput.load() == 1; }));
    const int channel = kestrane->globalDump[7];
    const int layered = 10;  // a Sample sound with a second layer
    clickRow (content().userList, layered);
    ASSERT_TRUE (until ([&] { return main->userSounds.findCurrent() == layered; }));
    settle();
    auto lastCcs = [&] (size_t n)
    {
        const auto all = kestrane->receivedCcs();
        return all.size() < n ? all : std::vector<MidiBytes> (all.end() - static_cast<long> (n), all.end());
    };

    kestrane->clearReceived();
    dragOn (content().layerSlider, 70, 0);
    ASSERT_TRUE (until ([&] { return ! kestrane->receivedCcs().empty(); })) << "the layer mix sent nothing";
    settle();
    {
        const auto cc = lastCcs (1).at (0);
        EXPECT_EQ (cc, (MidiBytes { static_cast<uint8_t> (0xB0 | channel), 73, static_cast<uint8_t> (content().layerSlider.getValue()) }));
        const juce::ScopedLock sl (userSoundsLock);
        EXPECT_EQ (getCc (&main->userSounds[layered], 73, false), cc[2]);
    }

    clickOn (*main->mainButtons[3]);
    ASSERT_TRUE (until ([&] { return main->fxPanel != nullptr && main->fxPanel->isShowing(); }));
    settle();
    ASSERT_EQ (main->fxPanel->buttons[chorusSwitch]->getName(), "CHORUS_Active");
    const uint32_t wordBefore = main->userSounds[layered][SoundRecord::effectMask];
    const auto mask = static_cast<uint8_t> (((wordBefore >> 2) & 0x7F) ^ chorusMaskBit);
    kestrane->clearReceived();
    clickOn (*main->fxPanel->buttons[chorusSwitch]);
    ASSERT_TRUE (until ([&] { return kestrane->receivedCcs().size() >= 2; })) << "the switch sent nothing";
    settle();
    {
        const auto ccs = lastCcs (2);
        EXPECT_EQ (ccs[0], (MidiBytes { static_cast<uint8_t> (0xB0 | channel), effectMaskResetCc, 0 }));
        EXPECT_EQ (ccs[1], (MidiBytes { static_cast<uint8_t> (0xB0 | channel), effectMaskCc, mask }));
        const juce::ScopedLock sl (userSoundsLock);
        EXPECT_EQ (main->userSounds[layered][SoundRecord::effectMask], wordBefore ^ (chorusMaskBit << 2)) << "the mask in the sound";
        EXPECT_EQ (main->userSounds[layered][SoundRecord::effectSwitchReset], 0u);
    }

    clickOn (*main->mainButtons[2]);
    ASSERT_TRUE (until ([&] { return main->samplePanel != nullptr && main->samplePanel->isShowing(); }));
    settle();
    kestrane->clearReceived();
    clickOn (*main->algorithm->buttons[Algorithm::fmButton]);
    ASSERT_TRUE (until ([&] { return main->fmPanel != nullptr && main->fmPanel->isShowing(); })) << "no FM page";
    settle();
    EXPECT_EQ (lastCcs (1), (std::vector<MidiBytes> { { static_cast<uint8_t> (0xB0 | channel), 22, 2 } }));
    EXPECT_TRUE (kestrane->receivedSoundDumps().empty()) << "choosing the engine sent the sound again";
    EXPECT_EQ (main->userSounds[layered][SoundRecord::engineType], 2u);
}

// Keys on the lists: Delete never takes a slot from the user list, removes the selected run from
// the library, and the cursor keys move the selection (on the user list, sending the new sound).
TEST_F (Session, KeysOnBothLists)
{
    ASSERT_TRUE (until ([&] { return main->chosenOutput.load() == 1; }));
    const auto userBefore = main->userSounds.records;

    clickRow (content().userList, 5);
    ASSERT_TRUE (until ([&] { return main->userSounds.findCurrent() == 5; }));
    settle();
    kestrane->clearReceived();
    xdotoolCommand ("key --delay 50 Delete BackSpace");
    settle();
    ASSERT_EQ (main->userSounds.size(), 28) << "a key took a slot from the user list";
    for (int i = 0; i < 28; ++i)
        EXPECT_EQ (std::memcmp (main->userSounds[i].w + SoundRecord::packedName, userBefore[static_cast<size_t> (i)].w + SoundRecord::packedName,
                                (SoundRecord::numWords - SoundRecord::packedName) * 4), 0) << "user record " << i;
    EXPECT_TRUE (kestrane->receivedSoundDumps().empty());

    xdotoolCommand ("key Down");
    ASSERT_TRUE (until ([&] { return main->userSounds.findCurrent() == 6; })) << "Down did not move the selection";
    ASSERT_TRUE (until ([&] { return ! kestrane->receivedSoundDumps().empty(); }));
    settle();
    EXPECT_EQ (kestrane->receivedSoundDumps().back(), encoded (main->userSounds[6], 127));

    const juce::String third = nameOf (main->librarySounds[3]);
    clickRow (content().libraryList, 2);
    settle();
    kestrane->clearReceived();
    xdotoolCommand ("key Delete");
    ASSERT_TRUE (until ([&] { return main->librarySounds.size() == 27; })) << "Delete left the library as it was";
    settle();
    EXPECT_EQ (nameOf (main->librarySounds[2]), third);
    EXPECT_EQ (content().libraryList.getNumRows(), 27);
    EXPECT_EQ (main->userSounds.size(), 28);
    EXPECT_TRUE (kestrane->received().empty()) << "the library sent something";
}

// The channel chosen in the Global dialog: the instrument gets it in the block, and from then on
// every CC from a page goes out on it.
TEST_F (Session, ChannelChosenInTheGlobalDialogCarriesTheCcs)
{
    ASSERT_TRUE (until ([&] { return main->chosenOutput.load() == 1; }));
    clickOn (*main->mainButtons[0]);
    ASSERT_TRUE (until ([&] { return main->globalDialog != nullptr && main->globalDialog->isShowing(); }));
    pumpMessageLoop (2500);
    kestrane->clearReceived();
    main->globalDialog->channelBox.setSelectedItemIndex (4, juce::sendNotificationAsync);  // "CH 05"
    ASSERT_TRUE (until ([&] { return ! kestrane->receivedGlobalDumps().empty(); }, 4000)) << "the block never went out";
    EXPECT_EQ (kestrane->receivedGlobalDumps().back()[7], 4);
    clickOn (*main->mainButtons[0]);
    ASSERT_TRUE (until ([&] { return ! main->globalDialog->isShowing(); }));

    clickOn (*main->mainButtons[2]);  // sound 0 is a Model sound
    ASSERT_TRUE (until ([&] { return main->editPanel != nullptr && main->editPanel->isShowing(); }));
    settle();
    kestrane->clearReceived();
    dragOn (*main->editPanel->knobs[2], -25, -60);
    ASSERT_TRUE (until ([&] { return ! kestrane->receivedCcs().empty(); })) << "the knob sent nothing";
    settle();
    for (const auto& cc : kestrane->receivedCcs())
        EXPECT_EQ (cc[0], 0xB4) << "a CC left on another channel";
}

// What the instrument sends while the soundset dump holds the window is taken afterwards.
TEST_F (Session, InstrumentTalksDuringTheSoundsetDump)
{
    ASSERT_TRUE (until ([&] { return main->chosenOutput.load() == 1; }));
    SoundRecord fresh;
    initSoundRecord (&fresh);
    auto d = factoryDump (0);
    parseSoundDump (&fresh, d.data());
    setSoundName (&fresh, "Sent Meanwhile");
    const auto meanwhile = encoded (fresh, 2);
    const int channel = kestrane->globalDump[7];

    kestrane->clearReceived();
    kestrane->run ([&]
    {
        juce::Thread::sleep (1500);  // the dump is under way by now
        kestrane->sendBytes (meanwhile);
        kestrane->sendCc (channel, 73, 99);
    });
    clickOn (*contentButton (5));
    ASSERT_TRUE (until ([&] { return nameOf (main->userSounds[2]) == "Sent Meanwhile"; }, 15000)) << "the dump sent meanwhile was lost";
    // Taken in while the dump set was still on the wire: the timer ran through it.
    EXPECT_LT (kestrane->receivedSoundDumps().size(), 28u);
    ASSERT_TRUE (until ([&] { return kestrane->receivedSoundDumps().size() >= 28; }, 20000));
    settle();
    const auto dumps = kestrane->receivedSoundDumps();
    ASSERT_GE (dumps.size(), 28u);
    for (int p = 0; p < 28; ++p)
        EXPECT_EQ (dumps[static_cast<size_t> (p)][5], p) << "the soundset dump was broken into";
    const juce::ScopedLock sl (userSoundsLock);
    EXPECT_EQ (getCc (&main->userSounds[0], 73, false), 99) << "the CC sent meanwhile was lost";
}

// Every page at double resolution, drawn at twice the size: the same session's pages, for the
// images of the second table.
TEST (PagesAtDoubleScale, EveryPageIsDrawn)
{
    resetLinkState();
    ScopedFakeMidiPorts fake;
    auto main = makeMainComponentAtScale (2);
    ASSERT_EQ (uiScale, 2);
    struct Page { const char* name; std::function<void()> show; };
    const Page pages[] = {
        { "scale2-01-content", [&] { main->showContentPage(); } },
        { "scale2-03-model-page", [&] { main->showModelPage(); } },
        { "scale2-04-fm-page", [&] { main->showFmPage(); } },
        { "scale2-05-effects-page", [&] { main->showEffectsPage(); } },
        { "scale2-06-sample-page", [&] { main->showSamplePage(); } },
        { "scale2-07-global-dialog", [&] { main->globalButton->setToggleState (true, juce::sendNotificationSync); } },
        { "scale2-08-about", [&] { main->globalButton->setToggleState (false, juce::sendNotificationSync); main->showAbout(); } },
    };
    for (const auto& p : pages)
    {
        p.show();
        pumpMessageLoop (100);
        const auto image = snapshotAtScale (*main, 2.0f, p.name);
        EXPECT_EQ (image.getWidth(), 2048) << p.name;
        EXPECT_EQ (image.getHeight(), 1536) << p.name;
    }
    main.reset();
    resetLinkState();
}
