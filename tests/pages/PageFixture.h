#pragma once
// A main component connected to the simulated instrument through fake ports, with the timer
// stopped and the channel at 0, so a page's messages arrive exactly as B0 cc vv.
#include <initializer_list>
#include <memory>
#include <utility>
#include <vector>
#include <gtest/gtest.h>
#include "app/MainContentComponent.h"
#include "sound/SoundRecord.h"
#include "tests/support/FakeMidiPorts.h"
#include "tests/support/SimulatedInstrument.h"
#include "tests/support/TestSupport.h"

class PageTest : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    // Lets the pages' asynchronous notifications arrive, then returns what reached the output
    // since the last call.
    std::vector<MidiBytes> sentSinceLast();

    static MidiBytes cc (int number, int value);

    ScopedVirtualClock clock;
    ScopedFakeMidiPorts fake;
    int outputId = -1, inputId = -1;
    std::unique_ptr<SimulatedInstrument> instrument;
    std::unique_ptr<MainContentComponent> main;

private:
    size_t seen = 0;
};

// A sound with a valid, empty editor cache and the given CC values stored.
SoundRecord makeSound (std::initializer_list<std::pair<int, int>> ccValues = {});
void setCcs (SoundRecord& sound, std::initializer_list<std::pair<int, int>> ccValues);
