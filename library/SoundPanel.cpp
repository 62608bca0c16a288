#include "library/SoundPanel.h"

#include "app/InstrumentLink.h"
#include "controls/Images.h"
#include "controls/PlaceTable.h"
#include "controls/zbutton.h"
#include "sound/CcConversion.h"
#include "sound/SoundRecord.h"

namespace
{
struct ButtonPlace
{
    const char* row;
    int command;
};

// Six buttons left of the user list, four between the lists.
const ButtonPlace buttonPlaces[SoundPanel::numButtons] = {
    { "LoadSet", 0 }, { "SaveSet", 1 }, { "ReqSet", 4 }, { "DumpSet", 5 }, { "Up", 6 },
    { "Down", 7 }, { "LoadLib", 2 }, { "SaveLib", 3 }, { "Rigth", 9 }, { "Left", 8 },
};

constexpr int layerMixCc = 73;

int layerMixOf (SoundRecord* s)
{
    // Reading may fill the record's editor cache, so it is a write to a user record.
    const juce::ScopedLock sl (userSoundsLock);
    return juce::jlimit (0, 127, getCc (s, layerMixCc, false));
}
}

SoundPanel::SoundPanel()
    : loadSkipCount (0),
      sound (nullptr)
{
    for (auto*& b : buttons)
        b = nullptr;

    addAndMakeVisible (userList);
    addAndMakeVisible (libraryList);
    userList.setTooltip ("User Sounds|<up/down> moves selection|<delete> removes selection");
    libraryList.setTooltip ("Sound Library");
    userList.isDeviceList = true;
    libraryList.isDeviceList = false;

    for (int i = 0; i < numButtons; ++i)
    {
        const PlaceRow* row = findPlaceRow (buttonPlaces[i].row);
        if (row == nullptr)
            continue;
        buttons[i] = new zbutton (row);
        addAndMakeVisible (buttons[i]);
        buttons[i]->setCommandToTrigger (nullptr, buttonPlaces[i].command, false);
    }

    background = getImage ("Background_Content.png");
    // Every pixel is painted, opaque: the main background is not drawn beneath.
    setOpaque (true);

    layerSlider.setBounds (44, 520, 368, 60);
    addAndMakeVisible (layerSlider);
    layerSlider.addListener (this);
}

SoundPanel::~SoundPanel()
{
    layerSlider.removeListener (this);
    for (auto*& b : buttons)
    {
        delete b;
        b = nullptr;
    }
}

void SoundPanel::layout (int, int)
{
    setBounds (74, 92, 876, 616);
    userList.setBounds (166, 57, 238, 450);
    libraryList.setBounds (586, 57, 238, 450);
}

void SoundPanel::addButtonListener (juce::Button::Listener* listener)
{
    for (auto* b : buttons)
        if (b != nullptr)
            b->addListener (listener);
}

SoundRecord* SoundPanel::shownSound()
{
    if (userList.sounds != nullptr)
    {
        // The current sound where there is one; with none selected, the sound last shown stays
        // the slider's, at its place in the list.
        SoundVector& v = *userList.sounds;
        const int i = v.findCurrent();
        if (i >= 0)
            soundIndex = i;
        sound = soundIndex >= 0 && soundIndex < v.size() ? &v[soundIndex] : nullptr;
    }
    return sound;
}

void SoundPanel::showCaptions()
{
    const juce::ScopedLock sl (userSoundsLock);
    if (SoundRecord* s = shownSound())
    {
        setCaptions (*s);
        layerSlider.repaint();
    }
}

void SoundPanel::setCaptions (const SoundRecord& s)
{
    const char* name = s.nameText();
    int length = 0;
    while (length < 31 && name[length] != 0)
        ++length;
    layerSlider.leftCaption = juce::String::fromUTF8 (name, length);
    layerSlider.rightCaption = getLayerName (&s);
    layerSlider.leftEngine = static_cast<uint8_t> (s[SoundRecord::engineType] & 0xFF);
    layerSlider.rightEngine = static_cast<uint8_t> (s[SoundRecord::layerEngineType] & 0xFF);
}

void SoundPanel::showOnSlider (const SoundRecord& s, int mix)
{
    setCaptions (s);

    // A load is not a move of the slider: it notifies nobody, so nothing is sent for it and no
    // later move of the user's is mistaken for it.
    loadSkipCount = 0;
    layerSlider.setValue (mix, juce::dontSendNotification);
    layerSlider.repaint();
}

void SoundPanel::setSound (SoundRecord* record)
{
    sound = record;
    soundIndex = -1;
    if (record == nullptr)
        return;
    if (userList.sounds != nullptr)
    {
        const auto& records = userList.sounds->records;
        if (! records.empty() && record >= records.data() && record < records.data() + records.size())
            soundIndex = static_cast<int> (record - records.data());
    }
    // The MIDI thread writes incoming CCs into this record.
    const juce::ScopedLock sl (userSoundsLock);
    showOnSlider (*record, layerMixOf (record));
}

void SoundPanel::refresh()
{
    const int oldMix = static_cast<int> (layerSlider.getValue());
    int mix;
    {
        const juce::ScopedLock sl (userSoundsLock);
        SoundRecord* s = shownSound();
        if (s == nullptr)
            return;
        mix = layerMixOf (s);
        showOnSlider (*s, mix);
    }

    if (mix != oldMix)
    {
        const uint8_t cc[3] = { 0xB0, layerMixCc, static_cast<uint8_t> (mix & 0x7F) };
        sendMidi (cc, 3);
    }
}

void SoundPanel::paint (juce::Graphics& g)
{
    if (background.isValid())
        drawImagePart (g, background, 0, 0, 876, 616, 0, 0, 876, 616);
    else
        g.fillAll (juce::Colour (0xFF202020));
}

void SoundPanel::sliderValueChanged (juce::Slider*)
{
    if (loadSkipCount > 0)
    {
        --loadSkipCount;
        return;
    }

    const int value = static_cast<int> (layerSlider.getValue());
    if (value < 0 || value > 127)
        return;

    // The MIDI thread writes incoming CCs into the record: read and write it under the lock, but
    // send without it.
    SoundRecord* s;
    bool hadLayer;
    {
        const juce::ScopedLock sl (userSoundsLock);
        s = shownSound();
        if (s == nullptr)
            return;
        hadLayer = (*s)[SoundRecord::layerMix] != 0;
    }

    const uint8_t cc[3] = { 0xB0, layerMixCc, static_cast<uint8_t> (value) };
    sendMidi (cc, 3);
    bool hasLayer;
    {
        const juce::ScopedLock sl (userSoundsLock);
        setCc (s, layerMixCc, value, true);
        hasLayer = (*s)[SoundRecord::layerMix] != 0;
    }

    // The lists draw a second engine box only for a sound with a second layer.
    if (hasLayer != hadLayer)
        repaint();
}
