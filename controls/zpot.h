#pragma once
// A 0..127 knob drawn as one of 129 frames of a strip, with JUCE's editable value box in a band
// above it (or at its right). Bipolar knobs show and take -64..+63 around 64.
#include <juce_gui_basics/juce_gui_basics.h>
#include "controls/PlaceTable.h"

class zpot : public juce::Slider
{
public:
    // Placed for the Model page: the strip frame at the row's (x, y) in window coordinates.
    explicit zpot (const PlaceRow* row);
    ~zpot() override;

    // Band height above the image and a shift of the whole knob.
    void setLabelBand (int band, int dx, int dy);
    // Value box at the right of the image, with the strip made for that layout.
    void setTextBoxRight();
    void setBipolar();

    void paint (juce::Graphics& g) override;
    double getValueFromText (const juce::String& text) override;
    juce::String getTextFromValue (double value) override;

    const PlaceRow* row;
    int labelBand = 17;
    int index = 0;          // the creating page's number for this knob (its slice index)
    bool bipolar = false;
    juce::Image image;

protected:
    // Draws frame f of the strip below the band.
    void drawFrame (juce::Graphics& g, int frame);

    JUCE_DECLARE_NON_COPYABLE (zpot)
};
