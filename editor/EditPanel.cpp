#include "editor/EditPanel.h"

#include "app/InstrumentLink.h"
#include "app/MainContentComponent.h"
#include "controls/Images.h"
#include "controls/PlaceTable.h"
#include "controls/zpot.h"
#include "sound/CcConversion.h"
#include "sound/SoundRecord.h"

int8_t modelKnobLastSent[32] = {};

const char* const pickupNames[5] = {
    "Magnetic 1", "Magnetic 2", "Capacitive 1", "Capacitive 2", "Capacitive 3",
};

void PageSound::set (const juce::Component& page, SoundRecord* r)
{
    record = r;
    userList = nullptr;
    if (r == nullptr)
        return;
    if (auto* main = dynamic_cast<MainContentComponent*> (page.getParentComponent()))
    {
        auto& list = main->userSounds.records;
        if (! list.empty() && r >= list.data() && r < list.data() + list.size())
            userList = &main->userSounds;
    }
}

SoundRecord* PageSound::get()
{
    if (userList != nullptr)
    {
        record = nullptr;
        for (auto& r : userList->records)
        {
            if (r.isSelected())
            {
                record = &r;
                break;
            }
        }
    }
    return record;
}

EditPanel::EditPanel()
{
    setBounds (74, 92, 876, 676);
    decodeAhead ({ "Background_Sound-Model.png" }, { placeModelKnobs });
    background = getImage ("Background_Sound-Model.png");

    for (int i = 0; i < numKnobs; ++i)
    {
        auto* knob = new zpot (placeModelKnobs.row (i));
        knobs[i] = knob;
        addAndMakeVisible (knob);
        knob->addListener (this);
        knob->index = i;
    }

    for (int t = 0; t < 5; ++t)
        pickup.addItem (pickupNames[t], t + 1);
    pickup.setBounds (623, 506, 178, 17);
    pickup.addListener (this);
    addAndMakeVisible (pickup);
}

EditPanel::~EditPanel()
{
    for (auto*& knob : knobs)
    {
        delete knob;
        knob = nullptr;
    }
}

void EditPanel::setPosition (int, int)
{
    setBounds (74, 92, 876, 676);
}

void EditPanel::setSound (SoundRecord* record, bool fromInstrument)
{
    int values[numKnobs];
    int type;
    {
        const juce::ScopedLock sl (userSoundsLock);
        sound.set (*this, record);
        SoundRecord* s = record;
        for (int i = 0; i < numKnobs; ++i)
            values[i] = s != nullptr ? getCc (s, firstKnobCc + i, true) : -1;
        type = s != nullptr ? getCc (s, pickupCc, false) : -1;
    }

    // The table takes the loaded values before the knobs notify, so the load itself sends nothing.
    const auto notify = fromInstrument ? juce::dontSendNotification : juce::sendNotificationAsync;
    for (int i = 0; i < numKnobs; ++i)
    {
        modelKnobLastSent[i] = static_cast<int8_t> (values[i] & 0xFF);
        if (values[i] >= 0 && values[i] <= 127)
            knobs[i]->setValue (values[i], notify);
    }

    const auto t = static_cast<uint8_t> (type);
    if (t < 5)
        pickup.setSelectedId (t + 1, notify);

    loaded = true;
}

void EditPanel::sliderValueChanged (juce::Slider* slider)
{
    auto* knob = dynamic_cast<zpot*> (slider);
    if (knob == nullptr)
        return;

    const int i = knob->index;
    const int entry = i & 31;
    const auto b = static_cast<uint8_t> (static_cast<int> (knob->getValue()));
    if (static_cast<int8_t> (b) == modelKnobLastSent[entry])
        return;
    modelKnobLastSent[entry] = static_cast<int8_t> (b);

    if (! loaded)
        return;

    const uint8_t message[3] = { 0xB0, static_cast<uint8_t> ((i + firstKnobCc) & 0x7F), b };
    sendMidi (message, 3);

    const juce::ScopedLock sl (userSoundsLock);
    if (SoundRecord* s = sound.get())
        setCc (s, i + firstKnobCc, b, true);
}

void EditPanel::comboBoxChanged (juce::ComboBox* box)
{
    if (box != &pickup)
        return;

    const auto t = static_cast<uint8_t> (pickup.getSelectedId() - 1);
    if (t >= 5)
        return;

    {
        const juce::ScopedLock sl (userSoundsLock);
        if (SoundRecord* s = sound.get())
            setCc (s, pickupCc, t, true);
    }

    // Sent also on a page that was never loaded: the instrument still takes the choice.
    const uint8_t message[3] = { 0xB0, static_cast<uint8_t> (pickupCc), t };
    sendMidi (message, 3);
}

void EditPanel::paint (juce::Graphics& g)
{
    if (background.isNull())
    {
        g.fillAll (juce::Colour (0xFF202020));
        return;
    }
    drawImagePart (g, background, 0, 0, 876, 676, 0, 0, 876, 676);
}
