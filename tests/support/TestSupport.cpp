#include "tests/support/TestSupport.h"

#include <algorithm>
#include <mutex>
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
std::mutex pauseLock;
std::vector<int> recordedPauses;
std::vector<int64_t> recordedWaits;
int64_t virtualNow = 0;  // never goes back, also from one recorder to the next
PauseFunction previousPause = nullptr;

void recordPause (int milliseconds)
{
    std::lock_guard<std::mutex> g (pauseLock);
    recordedPauses.push_back (milliseconds);
    virtualNow += std::max (0, milliseconds) * int64_t (1000);
}

int64_t virtualClock()
{
    std::lock_guard<std::mutex> g (pauseLock);
    return virtualNow;
}

void recordWait (int64_t microseconds)
{
    std::lock_guard<std::mutex> g (pauseLock);
    recordedWaits.push_back (microseconds);
    virtualNow += microseconds;
}
}

ScopedPauseRecorder::ScopedPauseRecorder()
{
    clear();
    {
        // Not behind the real clock, so that times taken before this stay in the past.
        const int64_t real = clockMicroseconds();
        std::lock_guard<std::mutex> g (pauseLock);
        virtualNow = std::max (virtualNow, real);
    }
    previousPause = setPauseFunction (recordPause);
    setClock (virtualClock, recordWait);
}

ScopedPauseRecorder::~ScopedPauseRecorder()
{
    setClock (nullptr, nullptr);
    setPauseFunction (previousPause);
}

std::vector<int> ScopedPauseRecorder::pauses()
{
    std::lock_guard<std::mutex> g (pauseLock);
    return recordedPauses;
}

std::vector<int64_t> ScopedPauseRecorder::wireWaits()
{
    std::lock_guard<std::mutex> g (pauseLock);
    return recordedWaits;
}

int64_t ScopedPauseRecorder::now()
{
    return virtualClock();
}

void ScopedPauseRecorder::advance (int64_t microseconds)
{
    std::lock_guard<std::mutex> g (pauseLock);
    virtualNow += std::max<int64_t> (0, microseconds);
}

void ScopedPauseRecorder::clear()
{
    std::lock_guard<std::mutex> g (pauseLock);
    recordedPauses.clear();
    recordedWaits.clear();
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
