#include "app/Pause.h"

#include <atomic>
#include <chrono>
#include <thread>
#include <juce_core/juce_core.h>

static std::atomic<PauseFunction> pauseFunction { nullptr };
static std::atomic<ClockFunction> clockFunction { nullptr };
static std::atomic<WaitFunction> waitFunction { nullptr };

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

int64_t clockMicroseconds()
{
    if (auto f = clockFunction.load())
        return f();
    using namespace std::chrono;
    return duration_cast<microseconds> (steady_clock::now().time_since_epoch()).count();
}

void waitMicroseconds (int64_t microseconds)
{
    if (microseconds <= 0)
        return;
    if (auto f = waitFunction.load())
        f (microseconds);
    else
        std::this_thread::sleep_for (std::chrono::microseconds (microseconds));
}

void setClock (ClockFunction now, WaitFunction wait)
{
    const bool both = now != nullptr && wait != nullptr;
    clockFunction.store (both ? now : nullptr);
    waitFunction.store (both ? wait : nullptr);
}
