#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include "controls/zlayerslider.h"
#include "library/Soundlist.h"

struct SoundRecord;
class zbutton;

// The content page: the user list beside the library, the ten command buttons and the layer mix
// of the current sound.
class SoundPanel : public juce::Component, public juce::Slider::Listener
{
public:
    SoundPanel();
    ~SoundPanel() override;

    // Both arguments are ignored: every bound on the page is fixed.
    void layout (int width, int height);
    void addButtonListener (juce::Button::Listener* listener);
    // Shows a record of the user list; sends nothing.
    void setSound (SoundRecord* record);
    // Shows the sound again; sends CC 73 when its layer mix changed meanwhile.
    void refresh();
    // Shows the shown sound's names and engines again (after a rename); sends nothing.
    void showCaptions();

    void paint (juce::Graphics&) override;
    void sliderValueChanged (juce::Slider*) override;

    static constexpr int numButtons = 10;

    Soundlist userList;
    Soundlist libraryList;
    int loadSkipCount;
    SoundRecord* sound;
    zbutton* buttons[numButtons];
    zlayerslider layerSlider;
    juce::Image background;

private:
    // The user list's storage moves under appends, erases and reorders; the page always shows the
    // user list's current record rather than a pointer that may have gone stale.
    SoundRecord* shownSound();
    void setCaptions (const SoundRecord& s);
    void showOnSlider (const SoundRecord& s, int mix);

    // Where `sound` lies in the user list: the slider keeps that sound while no row is selected.
    int soundIndex = -1;

    JUCE_DECLARE_NON_COPYABLE (SoundPanel)
};
