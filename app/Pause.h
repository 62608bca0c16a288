#pragma once
// The clock by which the sender paces the MIDI cable, so that tests can run the wire's time
// without waiting for it.

#include <cstdint>

// A monotonic clock in microseconds, and a wait on it.
using ClockFunction = int64_t (*)();
using WaitFunction = void (*) (int64_t microseconds);

int64_t clockMicroseconds();
// A wait on an installed clock may return early; the caller reads the clock again.
void waitMicroseconds (int64_t microseconds);

// Both or neither: nulls restore the real clock and sleep.
void setClock (ClockFunction now, WaitFunction wait);
bool clockIsReal();
