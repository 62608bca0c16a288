#include "app/Pause.h"

#include <atomic>
#include <juce_core/juce_core.h>

static std::atomic<PauseFunction> pauseFunction { nullptr };

void pauseMessageThread (int milliseconds)
{
    if (auto f = pauseFunction.load())
        f (milliseconds);
    else
        juce::Thread::sleep (milliseconds);
}

PauseFunction setPauseFunction (PauseFunction replacement)
{
    return pauseFunction.exchange (replacement);
}
