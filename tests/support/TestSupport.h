#pragma once
// Helpers for tests of the main component and the pages: the message loop, the pauses, and the
// process-wide link state between tests.

#include <cstdint>
#include <vector>

class MainContentComponent;
class SimulatedInstrument;

// Runs the JUCE message loop on this (the message) thread for about `milliseconds`.
void pumpMessageLoop (int milliseconds);

// Replaces the clock by which the sender paces the cable with a virtual one for the life of the
// object. Instant: every wait of the sender moves the clock on at once, so the queue leaves as
// fast as the thread runs and each message's time is the one the cable allows. Manual: the clock
// moves only by advance(), and the sender waits for it.
class ScopedVirtualClock
{
public:
    enum Mode { instant, manual };
    explicit ScopedVirtualClock (Mode mode = instant);
    ~ScopedVirtualClock();
    static std::vector<int64_t> waits();  // the sender's waits for a cable or a pause, in microseconds, in order
    static int64_t now();                 // the virtual clock, in microseconds
    static void advance (int64_t microseconds);  // time passing
    static void clear();                  // forgets the waits, not the time
    static void setMode (Mode mode);
};

// Until the main component's sender has sent everything it may send now: all of its queue with
// the real or the instant clock, what is due by the manual clock. False on timeout.
bool waitForSender (int timeoutMs = 10000);

// Puts the global block, its pending send, the ring, the pending Program Change, the CC count
// and the shown engine page back to their values at start.
void resetLinkState();

// Shows the component if it is hidden, runs one tick (which opens the ports and probes), and
// waits for the instrument's answer and the global dump that follows it. True when the instrument's output is the chosen one.
bool connectInstrument (MainContentComponent& main, SimulatedInstrument& instrument);
