#include "editor/SamplePanel.h"

#include <algorithm>

#include "app/InstrumentLink.h"
#include "controls/Images.h"
#include "sound/CcConversion.h"
#include "sound/SoundRecord.h"

SamplePanel::SamplePanel()
{
    background = getImage ("Background_Sound-Sample.png");

    for (int n = 0; n < numSamples; ++n)
        samples.addItem (sampleNames[n], n + 1);
    samples.setBounds (68, 39, 178, 17);
    samples.addListener (this);
    addAndMakeVisible (samples);

    setBounds (355, 338, 314, 430);
}

SamplePanel::~SamplePanel() = default;

void SamplePanel::setSound (SoundRecord* record, bool fromInstrument)
{
    uint32_t sample;
    {
        const juce::ScopedLock sl (userSoundsLock);
        sound.set (*this, record);
        sample = record != nullptr ? (*record)[SoundRecord::sampleNumber] : uint32_t (numSamples);
    }

    // Any number past the last sample selects no item, so the box shows nothing and sends nothing.
    const int id = static_cast<int> (std::min<uint32_t> (sample, numSamples)) + 1;
    samples.setSelectedId (id, fromInstrument ? juce::dontSendNotification : juce::sendNotificationAsync);

    loaded = true;
}

void SamplePanel::comboBoxChanged (juce::ComboBox* box)
{
    if (box != &samples || ! loaded)
        return;

    const auto n = static_cast<uint8_t> (samples.getSelectedId() - 1);
    if (n >= numSamples)
        return;

    {
        const juce::ScopedLock sl (userSoundsLock);
        if (SoundRecord* s = sound.get())
            setCc (s, sampleCc, n, true);
    }

    const uint8_t message[3] = { 0xB0, static_cast<uint8_t> (sampleCc), n };
    sendMidi (message, 3);
}

void SamplePanel::paint (juce::Graphics& g)
{
    if (background.isValid())
        drawImagePart (g, background, 0, 0, 314, 430, 0, 0, 314, 430);
}
