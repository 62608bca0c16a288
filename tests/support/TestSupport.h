#pragma once
// Helpers for tests of the main component and the pages: the message loop, the pauses, and the
// process-wide link state between tests.

#include <vector>

class MainContentComponent;
class SimulatedInstrument;

// Runs the JUCE message loop on this (the message) thread for about `milliseconds`.
void pumpMessageLoop (int milliseconds);

// Replaces the message thread's pauses with a record of them for the life of the object.
class ScopedPauseRecorder
{
public:
    ScopedPauseRecorder();
    ~ScopedPauseRecorder();
    static std::vector<int> pauses();  // in milliseconds, in order
    static void clear();
};

// Puts the global block, its pending send, the ring, the pending Program Change, the CC count
// and the shown engine page back to their values at start.
void resetLinkState();

// Shows the component if it is hidden, runs one tick (which opens the ports and probes), and
// waits for the instrument's answer and the global dump that follows it. True when the instrument's output is the chosen one.
bool connectInstrument (MainContentComponent& main, SimulatedInstrument& instrument);
