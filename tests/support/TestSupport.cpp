#include "tests/support/TestSupport.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <juce_events/juce_events.h>
#include "app/InstrumentLink.h"
#include "app/MainContentComponent.h"
#include "app/Pause.h"
#include "tests/support/SimulatedInstrument.h"

void pumpMessageLoop (int milliseconds)
{
    juce::MessageManager::getInstance()->runDispatchLoopUntil (milliseconds);
}

namespace
{
std::mutex clockLock;
std::condition_variable clockMoved;
std::vector<int64_t> recordedWaits;
int64_t virtualNow = 0;  // never goes back, also from one clock to the next
ScopedVirtualClock::Mode clockMode = ScopedVirtualClock::instant;
bool clockInstalled = false;

int64_t virtualClock()
{
    std::lock_guard<std::mutex> g (clockLock);
    return virtualNow;
}

void virtualWait (int64_t microseconds)
{
    std::unique_lock<std::mutex> l (clockLock);
    recordedWaits.push_back (microseconds);
    if (clockMode == ScopedVirtualClock::instant)
    {
        virtualNow += microseconds;
        return;
    }
    // Returns now and then before the time has come, so that a sender told to stop sees it.
    const int64_t until = virtualNow + microseconds;
    clockMoved.wait_for (l, std::chrono::milliseconds (20), [&] { return virtualNow >= until; });
}
}

ScopedVirtualClock::ScopedVirtualClock (Mode mode)
{
    clear();
    // Not behind the real clock, so that times taken before this stay in the past.
    const int64_t real = clockMicroseconds();
    {
        std::lock_guard<std::mutex> g (clockLock);
        virtualNow = std::max (virtualNow, real);
        clockMode = mode;
        clockInstalled = true;
    }
    setClock (virtualClock, virtualWait);
}

ScopedVirtualClock::~ScopedVirtualClock()
{
    setClock (nullptr, nullptr);
    std::lock_guard<std::mutex> g (clockLock);
    clockInstalled = false;
    clockMode = instant;
}

std::vector<int64_t> ScopedVirtualClock::waits()
{
    std::lock_guard<std::mutex> g (clockLock);
    return recordedWaits;
}

int64_t ScopedVirtualClock::now()
{
    return virtualClock();
}

void ScopedVirtualClock::advance (int64_t microseconds)
{
    {
        std::lock_guard<std::mutex> g (clockLock);
        virtualNow += std::max<int64_t> (0, microseconds);
    }
    clockMoved.notify_all();
}

void ScopedVirtualClock::setMode (Mode mode)
{
    std::lock_guard<std::mutex> g (clockLock);
    clockMode = mode;
}

void ScopedVirtualClock::clear()
{
    std::lock_guard<std::mutex> g (clockLock);
    recordedWaits.clear();
}

bool waitForSender (int timeoutMs)
{
    bool manual;
    {
        std::lock_guard<std::mutex> g (clockLock);
        manual = clockInstalled && clockMode == ScopedVirtualClock::manual;
    }
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds (timeoutMs);
    for (;;)
    {
        auto* main = mainComponent;
        if (main == nullptr || main->sender.idle() || (manual && main->sender.nothingDueBefore (clockMicroseconds() + 1)))
            return true;
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for (std::chrono::microseconds (200));
    }
}

void resetLinkState()
{
    globalBlock.replace (defaultGlobalBlock);
    globalSendCountdown = 0;
    sysexWriteIndex = 0;
    sysexReadIndex = 0;
    pendingProgram = -1;
    ccReceivedCount = 0;
    shownEnginePage = -1;
}

bool connectInstrument (MainContentComponent& main, SimulatedInstrument& instrument)
{
    if (! main.isVisible())
        main.setVisible (true);
    main.timerCallback();
    return instrument.waitUntilIdle() && main.chosenOutput.load() >= 0;
}
