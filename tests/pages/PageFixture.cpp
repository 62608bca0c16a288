#include "tests/pages/PageFixture.h"

#include "app/InstrumentLink.h"
#include "sound/CcConversion.h"

void PageTest::SetUp()
{
    resetLinkState();
    outputId = fake.ports.addOutput();
    inputId = fake.ports.addInput();
    instrument = std::make_unique<SimulatedInstrument> (fake.ports, outputId, inputId);
    main = std::make_unique<MainContentComponent>();
    ASSERT_TRUE (connectInstrument (*main, *instrument));
    main->stopTimer();
    globalBlock.set (GlobalBlock::channel, 0);
    pumpMessageLoop (20);
    seen = fake.ports.sentTo (outputId).size();
}

void PageTest::TearDown()
{
    main.reset();
    instrument.reset();
    resetLinkState();
}

std::vector<MidiBytes> PageTest::sentSinceLast()
{
    pumpMessageLoop (40);
    return fake.ports.sentToSince (outputId, seen);
}

MidiBytes PageTest::cc (int number, int value)
{
    return { 0xB0, static_cast<uint8_t> (number), static_cast<uint8_t> (value) };
}

void setCcs (SoundRecord& sound, std::initializer_list<std::pair<int, int>> ccValues)
{
    for (const auto& [number, value] : ccValues)
        setCc (&sound, number, value, true);
}

SoundRecord makeSound (std::initializer_list<std::pair<int, int>> ccValues)
{
    SoundRecord sound;
    initSoundRecord (&sound);
    installEditorCache (&sound);
    setCcs (sound, ccValues);
    return sound;
}
