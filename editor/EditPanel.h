#pragma once
// The Model engine page: fifteen knobs and the pickup type, each on its own CC.
#include <cstdint>
#include <juce_gui_basics/juce_gui_basics.h>

struct SoundRecord;
struct SoundVector;
class zpot;

// What each Model knob last sent or was loaded with. Shared by every Model page of the run, so a
// new page does not resend values the instrument already has.
extern int8_t modelKnobLastSent[32];

extern const char* const pickupNames[5];

// How an editor page holds the sound it edits. A record of the main component's user list is found
// again, as the list's first selected record, each time it is used: appending to the list moves its
// storage and moving sounds shifts its records, so a kept pointer may no longer be that sound. Any
// other record (one that is not in the user list) is used as given.
struct PageSound
{
    // Called by setSound while the page is a child of the main component (or of nothing).
    void set (const juce::Component& page, SoundRecord* record);
    // The sound to use now, or null when the user list has none selected. Call with
    // userSoundsLock held.
    SoundRecord* get();

    SoundRecord* record = nullptr;
    SoundVector* userList = nullptr;
};

class EditPanel : public juce::Component,
                  public juce::Slider::Listener,
                  public juce::ComboBox::Listener
{
public:
    EditPanel();
    ~EditPanel() override;

    // fromInstrument: the sound's values came from the instrument (its CCs or its dump), so
    // loading them sends nothing back.
    void setSound (SoundRecord* record, bool fromInstrument = false);
    // The page has one fixed place; the arguments are the caller's area and change nothing.
    void setPosition (int width, int height);

    void sliderValueChanged (juce::Slider* slider) override;
    void comboBoxChanged (juce::ComboBox* box) override;
    void paint (juce::Graphics& g) override;

    static constexpr int numKnobs = 15;
    static constexpr int firstKnobCc = 32;
    static constexpr int pickupCc = 47;

    bool loaded = false;
    PageSound sound;
    juce::ComboBox pickup { juce::String() };
    zpot* knobs[numKnobs] = {};
    juce::Image background;

    JUCE_DECLARE_NON_COPYABLE (EditPanel)
};
