#include "editor/FxPanel.h"

#include "app/InstrumentLink.h"
#include "controls/Images.h"
#include "controls/PlaceTable.h"
#include "controls/rbutton.h"
#include "controls/zbutton.h"
#include "controls/zpot.h"
#include "sound/CcConversion.h"
#include "sound/SoundRecord.h"

const uint8_t fxKnobCcs[20] = {
    92, 13, 71,          // tremolo intensity and speed, string resonance
    93, 14, 94, 15,      // chorus, flanger
    95, 16,              // phaser
    91, 12, 19,          // echo/reverb
    89, 17,              // auto-wah
    85, 86, 87, 88,      // equaliser
    90, 18,              // overdrive
};

const uint32_t fxKnobColours[20] = {
    0xFF84847B, 0xFF84847B, 0xFF84847B,
    0xFF622A6A, 0xFF622A6A, 0xFF504C21, 0xFF504C21,
    0xFF3E6E61, 0xFF3E6E61,
    0xFF266A3C, 0xFF266A3C, 0xFF266A3C,
    0xFF364577, 0xFF364577,
    0xFF575757, 0xFF575757, 0xFF575757, 0xFF575757,
    0xFF78411E, 0xFF78411E,
};

const uint8_t fxButtonCcBits[11][2] = {
    { 21, 0 },   // stereo
    { 31, 1 },   // chorus on
    { 31, 2 },   // flanger on
    { 31, 4 },   // phaser on
    { 31, 8 },   // echo/reverb on
    { 20, 0 },   // echo (on) or reverb (off)
    { 31, 16 },  // auto-wah on
    { 25, 0 },   // auto-wah automatic
    { 31, 32 },  // equaliser on
    { 31, 64 },  // overdrive on
    { 26, 0 },   // overdrive tube
};

FxPanel::FxPanel()
{
    decodeAhead ({ "Background_Effects.png", "Knob-1_Invert_Rot.png", "Knob-3_Bipolar.png", "Echo.png", "Reverb.png" },
                 { placeEffectsKnobs, placeEffectsButtons });
    background = getImage ("Background_Effects.png");

    for (int i = 0; i < numKnobs; ++i)
    {
        auto* knob = new zpot (placeEffectsKnobs.row (i));
        knobs[i] = knob;
        addAndMakeVisible (knob);
        knob->setLabelBand (16, 0, 4);
        if (fxKnobColours[i] == bipolarColour)
            knob->setBipolar();
        if (i < 3)
            knob->setTextBoxRight();
        knob->index = i;
        knob->addListener (this);
    }

    for (int i = 0; i < numButtons; ++i)
    {
        zbutton* button = i == echoReverbButton ? new rbutton (placeEffectsButtons.row (i))
                                                : new zbutton (placeEffectsButtons.row (i));
        buttons[i] = button;
        addAndMakeVisible (button);
        button->setClickingTogglesState (true);
        button->addListener (this);
        button->index = i;
    }

    setBounds (74, 88, 876, 620);
}

FxPanel::~FxPanel()
{
    for (auto*& button : buttons)
    {
        delete button;
        button = nullptr;
    }
    for (auto*& knob : knobs)
    {
        delete knob;
        knob = nullptr;
    }
}

void FxPanel::setSound (SoundRecord* record, bool fromInstrument)
{
    int values[numKnobs];
    bool on[numButtons];
    {
        const juce::ScopedLock sl (userSoundsLock);
        sound.set (*this, record);
        for (int i = 0; i < numKnobs; ++i)
            values[i] = record != nullptr ? getCc (record, fxKnobCcs[i], true) : -1;
        for (int i = 0; i < numButtons; ++i)
        {
            const int cc = fxButtonCcBits[i][0];
            const uint32_t bit = fxButtonCcBits[i][1];
            if (record == nullptr)
                on[i] = buttons[i]->getToggleState();
            else if (bit != 0)
                on[i] = ((*record)[SoundRecord::effectMask] & (bit << 2)) != 0;
            else
                on[i] = getCc (record, cc, true) != 0;  // no value (-1) shows as on
        }
    }

    for (int i = 0; i < numKnobs; ++i)
        if (values[i] >= 0 && values[i] <= 127)
            knobs[i]->setValue (values[i], fromInstrument ? juce::dontSendNotification : juce::sendNotificationAsync);

    for (int i = 0; i < numButtons; ++i)
        buttons[i]->setToggleState (on[i], juce::dontSendNotification);

    // Before the knobs' notifications arrive: every knob that loading moved is sent.
    loaded = true;
}

void FxPanel::sliderValueChanged (juce::Slider* slider)
{
    auto* knob = dynamic_cast<zpot*> (slider);
    if (knob == nullptr || knob->index < 0 || knob->index >= numKnobs || ! loaded)
        return;

    const int v = static_cast<int> (knob->getValue());
    if (v < 0 || v > 127)
        return;

    const uint8_t cc = fxKnobCcs[knob->index];
    const uint8_t message[3] = { 0xB0, cc, static_cast<uint8_t> (v) };
    sendMidi (message, 3);

    const juce::ScopedLock sl (userSoundsLock);
    if (SoundRecord* s = sound.get())
        setCc (s, cc, v, true);
}

void FxPanel::buttonClicked (juce::Button* b)
{
    auto* button = dynamic_cast<zbutton*> (b);
    if (button == nullptr || button->index < 0 || button->index >= numButtons || ! loaded)
        return;

    const bool on = button->getToggleState();
    const uint8_t cc = fxButtonCcBits[button->index][0];
    const uint32_t bit = fxButtonCcBits[button->index][1];

    if (bit == 0)
    {
        const uint8_t message[3] = { 0xB0, cc, static_cast<uint8_t> (on ? 1 : 0) };
        sendMidi (message, 3);

        const juce::ScopedLock sl (userSoundsLock);
        if (SoundRecord* s = sound.get())
            setCc (s, cc, on ? 1 : 0, true);
        return;
    }

    uint8_t mask;
    {
        const juce::ScopedLock sl (userSoundsLock);
        SoundRecord* s = sound.get();
        if (s == nullptr)
            return;

        auto& word = (*s)[SoundRecord::effectMask];
        word = on ? (word | (bit << 2)) : (word & ~(bit << 2));
        (*s)[SoundRecord::effectSwitchReset] = 0;
        // A raw-word edit: the sound is no longer the one its fingerprint names.
        (*s)[SoundRecord::contentFingerprint] = 0;
        (*s)[SoundRecord::contentFingerprint + 1] = 0;
        mask = static_cast<uint8_t> ((word >> 2) & 0x7F);
    }

    const uint8_t reset[3] = { 0xB0, static_cast<uint8_t> (maskResetCc), 0 };
    sendMidi (reset, 3);
    const uint8_t message[3] = { 0xB0, static_cast<uint8_t> (maskCc), mask };
    sendMidi (message, 3);
}

void FxPanel::paint (juce::Graphics& g)
{
    if (background.isValid())
        drawImagePart (g, background, 0, 0, 876, 620, 0, 0, 876, 620);
}
