#include "app/TransferDisplay.h"

#include "app/MainContentComponent.h"
#include "app/Pause.h"
#include "controls/Images.h"

namespace
{
constexpr int64_t ms = 1000;
// The instrument sends a sound about every 0.43 s over a cable; this long without one, it has
// said all it will.
constexpr int64_t answerQuiet = 3000 * ms;
constexpr int64_t firstAnswerWait = 5000 * ms;
// A queue that needs longer than this on the cable is shown.
constexpr int64_t longQueue = 1000 * ms;
constexpr int shownForMs = 8000;

const juce::Colour accent (0xFFEFD531u);
const juce::Colour warning (0xFFF0643Cu);
const juce::Colour text (0xFFD9D6CCu);

juce::String count (int n, int total)
{
    return juce::String (n).paddedLeft ('0', 2) + "/" + juce::String (total).paddedLeft ('0', 2);
}

// What reached the port or came in before the instrument went; the last of them may have been cut.
juce::String cutShort (int n, int total, const char* what)
{
    return "Cut short: the Kestrane went away; " + juce::String (n) + " of " + juce::String (total) + " sounds " + what;
}
}

TransferDisplay::TransferDisplay (MainContentComponent& m) : main (m)
{
    setBounds (700, 712, 290, 44);
    setInterceptsMouseClicks (false, false);
    setVisible (false);
}

TransferDisplay::~TransferDisplay()
{
    stopTimer();
}

void TransferDisplay::paint (juce::Graphics& g)
{
    g.setColour (juce::Colour (0xFF141410u));
    g.fillRoundedRectangle (0.0f, 0.0f, static_cast<float> (getWidth()), 22.0f, 3.0f);
    g.setColour (juce::Colour (0xFF3A3A28u));
    g.drawRoundedRectangle (0.5f, 0.5f, getWidth() - 1.0f, 21.0f, 3.0f, 1.0f);
    g.setColour (failure ? warning : accent);
    g.setFont (juce::Font ("LCD", uiScale < 2 ? 15.0f : 12.0f, juce::Font::plain));
    g.drawText (lcd, 8, 0, getWidth() - 16, 22, juce::Justification::centredLeft, true);
    g.setColour (text);
    g.setFont (juce::Font (12.0f));
    g.drawText (line, 0, 26, getWidth(), 16, juce::Justification::centredLeft, true);
}

void TransferDisplay::show (const juce::String& lcdText, const juce::String& lineText, int forMs, bool failed)
{
    shownUntil = forMs > 0 ? clockMicroseconds() + forMs * ms : 0;
    if (lcdText == lcd && lineText == line && failed == failure && isVisible())
        return;
    lcd = lcdText;
    line = lineText;
    failure = failed;
    setVisible (lcd.isNotEmpty() || line.isNotEmpty());
    repaint();
}

bool TransferDisplay::busy() const
{
    return answering || main.sender.soundset().active();
}

void TransferDisplay::refused (Refusal why)
{
    if (why == Refusal::noInstrument)
        show ("NO KESTRANE", "No Kestrane found: nothing was sent", shownForMs, true);
    else
        show (lcd, "Wait: a transfer is on its way", shownForMs, failure);
    startTimer (100);
}

void TransferDisplay::requestSent()
{
    answering = true;
    answerBase = main.programDumpsTaken;
    answerLosses = main.instrumentLosses;
    answerCount = 0;
    answerLastAt = clockMicroseconds();
    update();
}

void TransferDisplay::closing()
{
    closingNow = true;
    update();
}

void TransferDisplay::update()
{
    const int64_t now = clockMicroseconds();
    const auto dump = main.sender.soundset();
    bool busyAfter = false;

    if (dump.id != soundsetSeen)
    {
        soundsetSeen = dump.id;
        soundsetEnded = false;
    }

    if (dump.id != 0 && ! soundsetEnded)
    {
        if (dump.active())
        {
            busyAfter = true;
            const int next = juce::jmin (dump.sent + 1, dump.total);
            show ("DUMP " + count (dump.sent, dump.total),
                  closingNow ? "Closing when the dump set has been sent"
                             : "Sending sound " + juce::String (next) + " of " + juce::String (dump.total) + " to the Kestrane",
                  0);
        }
        else
        {
            soundsetEnded = true;
            if (dump.cutShort())
                show ("CUT " + count (dump.sent, dump.total), cutShort (dump.sent, dump.total, "were sent"), 0, true);
            else
                show ("DUMP " + count (dump.sent, dump.total), "Dump set sent: " + juce::String (dump.total) + " sounds", shownForMs);
        }
    }
    else if (answering)
    {
        const int got = main.programDumpsTaken - answerBase;
        if (got != answerCount)
        {
            answerCount = got;
            answerLastAt = now;
        }
        if (main.instrumentLosses != answerLosses)
        {
            answering = false;
            show ("CUT " + count (answerCount, answerSounds), cutShort (answerCount, answerSounds, "came"), 0, true);
        }
        else if (answerCount >= answerSounds)
        {
            answering = false;
            show ("RECV " + count (answerCount, answerSounds), "All " + juce::String (answerSounds) + " sounds received", shownForMs);
        }
        else if (now - answerLastAt > (answerCount == 0 ? firstAnswerWait : answerQuiet))
        {
            answering = false;
            if (answerCount == 0)
                show ("NO ANSWER", "No answer from the Kestrane", shownForMs, true);
            else
                show ("RECV " + count (answerCount, answerSounds),
                      "Only " + juce::String (answerCount) + " of " + juce::String (answerSounds) + " sounds came", shownForMs, true);
        }
        else
        {
            busyAfter = true;
            show ("RECV " + count (answerCount, answerSounds),
                  "Receiving sound " + juce::String (answerCount + 1) + " of " + juce::String (answerSounds) + " from the Kestrane", 0);
        }
    }
    else if (const int64_t left = main.sender.drainedAt() - now; left > longQueue)
    {
        const juce::String seconds (left / 1.0e6, 1);
        show ("SEND " + seconds, "Sending to the Kestrane: " + seconds + " s left", 0);
    }
    else if (lcd.startsWith ("SEND") || (shownUntil != 0 && now >= shownUntil))
    {
        show ({}, {}, 0);
    }

    if (busyAfter != busyNow)
    {
        busyNow = busyAfter;
        main.transferBusyChanged (busyNow);
    }

    if (isVisible() || busyNow)
        startTimer (100);
    else
        stopTimer();
}
