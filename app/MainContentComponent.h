#pragma once
// The content of the main window: owner of both sound lists, the MIDI ports, the pages and the
// dialogs, and the home of the timer that ties the MIDI input thread to the user interface.

#include <atomic>
#include <memory>
#include <mutex>
#include <juce_gui_basics/juce_gui_basics.h>
#include <juce_audio_basics/juce_audio_basics.h>
#include <juce_audio_devices/juce_audio_devices.h>
#include "sound/SoundRecord.h"
#include "controls/Ibtn.h"
#include "app/InstrumentLink.h"
#include "app/MidiPorts.h"
#include "app/QueuedXEvents.h"
#include "app/Sender.h"

class Look;
class zbutton;
class SoundPanel;
class EditPanel;
class FmPanel;
class SamplePanel;
class FxPanel;
class GlobalDialog;
class Algorithm;
class About;
class TransferDisplay;

class MainContentComponent : public juce::Component,
                             public juce::AudioSource,
                             public juce::MidiInputCallback,
                             public juce::Timer,
                             public juce::DragAndDropContainer,
                             public juce::Button::Listener
{
public:
    static constexpr int maxPorts = 8;

    MainContentComponent();
    ~MainContentComponent() override;

    void childrenChanged() override;
    void paint (juce::Graphics& g) override;

    // No audio device is ever opened.
    void prepareToPlay (int, double) override {}
    void releaseResources() override {}
    void getNextAudioBlock (const juce::AudioSourceChannelInfo&) override {}

    // MIDI input thread.
    void handleIncomingMidiMessage (juce::MidiInput* source, const juce::MidiMessage& message) override;
    // Every 300 ms; tests call it directly.
    void timerCallback() override;
    // Commands.cpp.
    void buttonClicked (juce::Button* button) override;

    // Page switching.
    void deleteEditPanels();
    void showContentPage();
    void showModelPage();
    void showFmPage();
    void showEffectsPage();
    void showSamplePage();
    void showAbout();
    void toggleGlobalDialog();

    // Reloads the first selected user sound into every open editor page. Values that came from
    // the instrument are shown without being sent back to it.
    void refreshOpenPanels (bool fromInstrument = false);

    // Queues a message for the device now at output `index` (Sender.h). False when that output is
    // not open or the queue refused it.
    bool sendToOutput (int index, const uint8_t* bytes, int length, Sender::Options options = {});
    bool isOutputOpen (int index) const;

    // Command handlers (Commands.cpp).
    void runFileCommand (int id);
    void requestSounds();
    void dumpSoundset();
    void chooseEngine (juce::Button* button, int id);

    int lastInputCount = 0;
    int lastOutputCount = 0;
    std::atomic<int> chosenOutput { -1 };  // written by the MIDI thread on a probe answer
    bool listChanged = false;
    std::unique_ptr<MidiInPort> midiInputs[maxPorts];
    // The open outputs live in the sender, which alone sends on them.
    Sender sender;
    SoundVector userSounds;
    SoundVector librarySounds;
    Look* look = nullptr;
    juce::TooltipWindow* tooltipWindow = nullptr;
    juce::Image background;
    SoundPanel* soundPanel = nullptr;
    EditPanel* editPanel = nullptr;
    FmPanel* fmPanel = nullptr;
    FxPanel* fxPanel = nullptr;
    SamplePanel* samplePanel = nullptr;
    GlobalDialog* globalDialog = nullptr;
    About* about = nullptr;
    zbutton* mainButtons[4] = { nullptr, nullptr, nullptr, nullptr };  // Global, Content, Sound, Effects
    zbutton*& globalButton = mainButtons[0];
    Ibtn aboutSpot { "invisible" };
    Algorithm* algorithm = nullptr;

    // Puts the shown Global dialog, then the shown About box, back above a page just added.
    void keepOverlaysAbovePages();

    // What is on the wire, shown in the bottom bar; always on top of the pages.
    TransferDisplay* transferDisplay = nullptr;
    int programDumpsTaken = 0;  // sound dumps for programs 0..27 that the timer has taken in
    int instrumentLosses = 0;   // rescans that found the chosen output's device gone
    // "Request" and "DumpSet" are held while a transfer is on the wire.
    void transferBusyChanged (bool busy);
    // The window's close: true when nothing is on its way to the instrument. Otherwise the
    // program quits by itself once the queue has left the cable, and says so meanwhile.
    bool quitWhenSent();

private:
    void tick();  // the link's steps, without the display
    void rescanInputs();
    void rescanOutputs();
    void closeAllPorts();
    void closeAllOutputs();
    void probeOpenOutputs();

    // While no output has answered, the outputs are probed again after this many ticks (1.8 s).
    static constexpr int ticksBetweenProbes = 6;
    static constexpr int ticksToSecondProbe = 2;  // after a rescan (0.6 s)
    int ticksSinceProbe = 0;
    int globalDumpsShown = 0;  // global dumps received when the Global dialog last loaded

    bool closing = false;
    bool destroying = false;
    QueuedXEvents queuedXEvents;  // input that Xlib read ahead is handled at once  // keeps childrenChanged off objects the destructor has deleted

    JUCE_DECLARE_NON_COPYABLE (MainContentComponent)
};

// The one main component; set by its constructor before it makes any child.
extern MainContentComponent* mainComponent;

juce::Component* createMainContentComponent();

// The image scale for a display: its scale factor truncated and kept to 1..2; no display gives 1.
int uiScaleForDisplay (const juce::Displays::Display* display);

// 0 content page, 1 the current sound's engine page (after sending the sound), 2 effects page.
void showPage (int page);

// Refreshes the content page if it exists.
void refreshContentPage();

// List operations behind the move and copy commands (Commands.cpp).
int moveBlockUp (SoundVector& list, int first, int count);    // count, or -1 when first < 1
int moveBlockDown (SoundVector& list, int first, int count);  // count, or -2 when first + count >= size
void moveSelected (SoundVector& list, int direction);         // first selected run; < 0 up, else down
void copySelectedSounds (SoundVector& userList, SoundVector& library);
