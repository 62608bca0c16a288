#include "app/Pause.h"

#include <atomic>
#include <chrono>
#include <thread>

static std::atomic<ClockFunction> clockFunction { nullptr };
static std::atomic<WaitFunction> waitFunction { nullptr };

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

bool clockIsReal()
{
    return clockFunction.load() == nullptr;
}
