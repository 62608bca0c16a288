#pragma once
// Helpers for tests of the main component and the pages: the message loop, the pauses, and the
// process-wide link state between tests.

#include <cstdint>
#include <vector>

class MainContentComponent;
class SimulatedInstrument;

// Runs the JUCE message loop on this (the message) thread for about `milliseconds`.
void pumpMessageLoop (int milliseconds);

// Replaces the message thread's pauses, and the clock by which sends wait for the cable, with a
// virtual clock for the life of the object: pauses and waits are recorded and move it on at once.
class ScopedPauseRecorder
{
public:
    ScopedPauseRecorder();
    ~ScopedPauseRecorder();
    static std::vector<int> pauses();         // in milliseconds, in order
    static std::vector<int64_t> wireWaits();  // sends held for the cable, in microseconds, in order
    static int64_t now();                     // the virtual clock, in microseconds
    static void advance (int64_t microseconds);  // time passing outside a pause, as between ticks
    static void clear();                      // forgets the pauses and waits, not the time
};

// Puts the global block, its pending send, the ring, the pending Program Change, the CC count
// and the shown engine page back to their values at start.
void resetLinkState();

// Shows the component if it is hidden, runs one tick (which opens the ports and probes), and
// waits for the instrument's answer and the global dump that follows it. True when the instrument's output is the chosen one.
bool connectInstrument (MainContentComponent& main, SimulatedInstrument& instrument);
