#include "editor/FmPanel.h"

#include "app/InstrumentLink.h"
#include "controls/FmSlider.h"
#include "controls/Images.h"
#include "sound/CcConversion.h"
#include "sound/SoundRecord.h"

const uint8_t fmCcNumbers[42] = {
     60,  61,  58,  59,  54,  52,  51,   // Modulator A
     62,  63,  56,  57,  53,  55,  54,   // Carrier A
    102, 103,  83,  84,  79,  77,  76,   // Modulator B
    104, 105,  81,  82,  78,  80,  79,   // Carrier B
    116, 117, 114, 115, 110, 108, 107,   // Modulator C
    118, 119, 112, 113, 109, 111, 110,   // Carrier C
};

const char* const fmOperatorNames[6] = {
    "Modulator A", "Carrier A", "Modulator B", "Carrier B", "Modulator C", "Carrier C",
};

const char* const fmParameterNames[7] = {
    "Pitch", "Detune", "Level", "Velocity Sensitivity", "Decay 1", "Break level", "Decay rate 2",
};

namespace
{
    const int operatorY[6] = { 57, 157, 251, 351, 445, 545 };
    const juce::uint32 modulatorColour = 0xFF892220;
    const juce::uint32 carrierColour = 0xFF127E6A;
}

FmPanel::FmPanel()
{
    setBounds (74, 92, 876, 676);
    background = getImage ("Background_Sound-FM.png");

    for (int o = 0; o < numOperators; ++o)
    {
        for (int p = 0; p < numParameters; ++p)
        {
            const int k = o * numParameters + p;
            auto* bar = new FmSlider();
            addAndMakeVisible (bar);
            bars[k] = bar;
            bar->index = k;
            bar->setRange (0.0, 127.0, 1.0);
            bar->setSliderStyle (juce::Slider::LinearBar);
            bar->setTextBoxStyle (juce::Slider::TextBoxLeft, false, 120, 20);
            bar->setColour (juce::Slider::backgroundColourId, juce::Colour (0x00000000));
            bar->setColour (juce::Slider::thumbColourId,
                            juce::Colour (o % 2 == 0 ? modulatorColour : carrierColour));
            bar->setBounds (32 + 117 * p, operatorY[o], 110, 18);
            bar->setTooltip (juce::String (fmParameterNames[p]) + " of " + fmOperatorNames[o]);
            bar->addListener (this);
        }
    }
}

FmPanel::~FmPanel()
{
    for (auto*& bar : bars)
    {
        delete bar;
        bar = nullptr;
    }
}

void FmPanel::setSound (SoundRecord* record)
{
    int values[numBars];
    {
        const juce::ScopedLock sl (userSoundsLock);
        sound.set (*this, record);
        for (int k = 0; k < numBars; ++k)
            values[k] = record != nullptr ? getCc (record, fmCcNumbers[k], true) : -1;
    }

    // A loaded value counts as sent, so the notifications that loading causes send nothing and
    // leave the user's first moves alone.
    for (int k = 0; k < numBars; ++k)
    {
        if (values[k] >= 0 && values[k] <= 127)
        {
            lastSent[k] = static_cast<uint8_t> (values[k]);
            bars[k]->setValue (values[k], juce::sendNotificationAsync);
        }
    }
}

void FmPanel::sliderValueChanged (juce::Slider* slider)
{
    auto* bar = dynamic_cast<FmSlider*> (slider);
    if (bar == nullptr)
        return;

    const int k = bar->index;
    if (k < 0 || k >= numBars)
        return;

    const auto b = static_cast<uint8_t> (static_cast<int> (bar->getValue()) & 0x7F);
    if (b == lastSent[k])
        return;
    lastSent[k] = b;

    const uint8_t cc = fmCcNumbers[k];
    const uint8_t message[3] = { 0xB0, cc, b };
    sendMidi (message, 3);

    // A bar whose CC another bar shares: the partner shows the value just sent and counts it as
    // its own, so it neither goes stale nor sends it again.
    for (int other = 0; other < numBars; ++other)
    {
        if (other != k && fmCcNumbers[other] == cc)
        {
            lastSent[other] = b;
            bars[other]->setValue (b, juce::dontSendNotification);
        }
    }

    const juce::ScopedLock sl (userSoundsLock);
    if (SoundRecord* s = sound.get())
        setCc (s, cc, b, true);
}

void FmPanel::paint (juce::Graphics& g)
{
    if (background.isNull())
    {
        g.fillAll (juce::Colour (0xFF202020));
        return;
    }
    drawImagePart (g, background, 0, 0, 876, 676, 0, 0, 876, 676);
}
