#pragma once
// Every pause of the message thread (20 ms before a Program Change's send, 50 ms for the global
// dump to come back, 200 ms after each edit-buffer or soundset send) goes through here, and so
// does the clock by which sends wait for the MIDI cable, so tests can run without waiting.

#include <cstdint>

using PauseFunction = void (*) (int milliseconds);

void pauseMessageThread (int milliseconds);

// Returns the function that was in place; null restores the real sleep.
PauseFunction setPauseFunction (PauseFunction replacement);

// A monotonic clock in microseconds, and a wait on it.
using ClockFunction = int64_t (*)();
using WaitFunction = void (*) (int64_t microseconds);

int64_t clockMicroseconds();
void waitMicroseconds (int64_t microseconds);

// Both or neither: nulls restore the real clock and sleep.
void setClock (ClockFunction now, WaitFunction wait);
