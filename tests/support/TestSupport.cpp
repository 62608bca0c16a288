#include "tests/support/TestSupport.h"

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
PauseFunction previousPause = nullptr;

void recordPause (int milliseconds)
{
    std::lock_guard<std::mutex> g (pauseLock);
    recordedPauses.push_back (milliseconds);
}
}

ScopedPauseRecorder::ScopedPauseRecorder()
{
    clear();
    previousPause = setPauseFunction (recordPause);
}

ScopedPauseRecorder::~ScopedPauseRecorder()
{
    setPauseFunction (previousPause);
}

std::vector<int> ScopedPauseRecorder::pauses()
{
    std::lock_guard<std::mutex> g (pauseLock);
    return recordedPauses;
}

void ScopedPauseRecorder::clear()
{
    std::lock_guard<std::mutex> g (pauseLock);
    recordedPauses.clear();
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
