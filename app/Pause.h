#pragma once
// Every pause of the message thread (20 ms before a Program Change's send, 50 ms for the global
// dump to come back, 200 ms after each edit-buffer or soundset send) goes through here, so tests
// can run without waiting.

using PauseFunction = void (*) (int milliseconds);

void pauseMessageThread (int milliseconds);

// Returns the function that was in place; null restores the real sleep.
PauseFunction setPauseFunction (PauseFunction replacement);
