#pragma once
// The readout in the bottom bar that says what is on the wire while it lasts, and how it ended: a
// soundset dump counting its sounds, the instrument's answer to "Request" counting what came, a
// long queue, a transfer cut short because the instrument went away, one refused because none was
// found, and a close that waits for a dump set. Hidden while there is nothing to say.

#include <cstdint>
#include <juce_gui_basics/juce_gui_basics.h>

class MainContentComponent;

class TransferDisplay : public juce::Component,
                        private juce::Timer
{
public:
    explicit TransferDisplay (MainContentComponent& main);
    ~TransferDisplay() override;

    void paint (juce::Graphics& g) override;

    enum class Refusal { noInstrument, busy };
    void refused (Refusal why);
    // The sound request has been queued: the instrument's dumps are counted from here on.
    void requestSent();
    void closing();

    // A soundset dump on its way or the instrument's answer coming in: the sending buttons are held.
    bool busy() const;

    // Reads the link's state again; the display's own timer calls it every 100 ms.
    void update();

    // What it shows: the display line and the sentence under it.
    juce::String lcdText() const { return lcd; }
    juce::String lineText() const { return line; }
    bool showsFailure() const { return failure; }

    static constexpr int answerSounds = 28;

private:
    void timerCallback() override { update(); }
    // A transfer that failed is shown in the warning colour.
    void show (const juce::String& lcdText, const juce::String& lineText, int forMs, bool failed = false);

    MainContentComponent& main;
    juce::String lcd, line;
    int64_t shownUntil = 0;     // by the link's clock; 0 = until something else is shown
    bool busyNow = false;
    bool failure = false;
    bool closingNow = false;

    int soundsetSeen = 0;       // the id of the last soundset dump shown
    bool soundsetEnded = true;

    bool answering = false;     // counting the answer to a sound request
    int answerBase = 0;         // dumps taken before it
    int answerLosses = 0;       // instrument losses before it
    int answerCount = 0;
    int64_t answerLastAt = 0;   // the request, then the last dump that came

    JUCE_DECLARE_NON_COPYABLE (TransferDisplay)
};
