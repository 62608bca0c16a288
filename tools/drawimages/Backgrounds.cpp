// Page backgrounds: the panel, its sections and the captions of every control that the controls
// do not draw themselves, at the places the place table gives them.
#include "Painters.h"
#include "controls/PlaceTable.h"

namespace
{
using R = juce::Rectangle<float>;

// Where the pages sit in the window; rows give window or page coordinates (see PlaceTable.h).
constexpr int pageX = 74, modelPageY = 92, effectsPageY = 88;
constexpr int samplePageX = 355, samplePageY = 338;
constexpr int globalPanelX = 307, globalPanelY = 280;

// The knob image's top-left in the coordinates of the background that lies under it.
juce::Point<float> knobImage (const PlaceRow& r, int originX, int originY)
{
    return { (float) (r.x - originX), (float) (r.y - originY) };
}

// Caption under a knob image and the display window of its value box in the band above it.
void knobLabels (juce::Graphics& g, juce::Point<float> image, int band, const juce::String& name)
{
    art::lcdWindow (g, R (image.x + 16.0f, image.y - (float) band, 50.0f, 20.0f).reduced (1.0f, 2.0f));
    art::caption (g, name, image.x + 41.5f, image.y + 85.0f, 8.0f, art::text, 90.0f);
}

// A knob whose value box sits at its right.
void knobLabelsRight (juce::Graphics& g, juce::Point<float> image, const juce::String& name)
{
    art::lcdWindow (g, R (image.x + 83.0f, image.y + 36.0f, 42.0f, 20.0f).reduced (1.0f, 2.0f));
    art::caption (g, name, image.x + 41.5f, image.y + 85.0f, 8.0f, art::text, 90.0f);
}

// Caption under a switch whose row is in the coordinates of this background.
void switchLabel (juce::Graphics& g, const PlaceRow& r, int originX, int originY, const juce::String& name)
{
    art::caption (g, name, (float) (r.x - originX) + r.width * 0.5f, (float) (r.y - originY + r.height) + 1.0f,
                  8.0f, art::text, 70.0f);
}

// The parts of the window's bottom strip that lie under a full-height page: the "Global" button's
// caption and, above the engine selector, the three engine names.
void bottomStrip (juce::Graphics& g, int originX, int originY, bool engineCaptions)
{
    const PlaceRow& global = placeMainButtons[0];
    art::caption (g, "GLOBAL", (float) (global.x + global.width + 30 - originX),
                  (float) (global.y + 21 - originY), 9.0f, art::text);
    if (! engineCaptions)
        return;
    const char* names[] = { "MODEL", "FM", "SAMPLE" };
    constexpr int selectorX = 401, selectorY = 708;
    for (int i = 0; i < placeEngineButtons.count; ++i)
    {
        const PlaceRow& r = placeEngineButtons[i];
        art::caption (g, names[i], (float) (selectorX + r.x + r.width / 2 - originX),
                      (float) (selectorY + r.y - 12 - originY), 8.0f, art::accent);
    }
}

void pageTitle (juce::Graphics& g, const juce::String& title, float x, float y)
{
    art::captionLeft (g, title, x, y, 13.0f, art::accent, true);
}

const char* knobCaption (const char* rowName)
{
    static const std::pair<const char*, const char*> names[] = {
        { "HAMMER_Level", "LEVEL" }, { "HAMMER_Max", "MAX" },
        { "TINE_Level", "LEVEL" }, { "TINE_Decay", "DECAY" }, { "TINE_Release", "RELEASE" },
        { "BAR_Level", "LEVEL" }, { "BAR_Tune", "TUNE" }, { "BAR_Tone", "TONE" },
        { "BAR_Decay", "DECAY" }, { "BAR_Tune2nd", "TUNE 2ND" }, { "BAR_Random", "RANDOM" },
        { "PICKUP_Distance", "DISTANCE" }, { "PICKUP_Height", "HEIGHT" }, { "PICKUP_Highpass", "HIGHPASS" },
        { "PICKUP_Keytrack", "KEYTRACK" },
        { "TREMOLO_Intensy", "INTENSITY" }, { "TREMOLO_Speed", "SPEED" }, { "STRINGRESO_Level", "LEVEL" },
        { "CHORUS_Depth", "DEPTH" }, { "CHORUS_Tempo", "RATE" }, { "FLANGER_Depth", "DEPTH" },
        { "FLANGER_Tempo", "RATE" }, { "PHASER_Depth", "DEPTH" }, { "PHASER_Tempo", "RATE" },
        { "ECHOVERB_Depth", "DEPTH" }, { "ECHOVERB_Tempo", "RATE" }, { "ECHOVERB_Delay", "TIME" },
        { "AUTOWAH_Depth", "DEPTH" }, { "AUTOWAH_Tempo", "RATE" },
        { "EQUAL_Bass", "BASS" }, { "EQUAL_Mid", "MID" }, { "EQUAL_Presence", "PRESENCE" },
        { "EQUAL_Treble", "TREBLE" }, { "ODRIVE_Drive", "DRIVE" }, { "ODRIVE_Color", "COLOR" },
        { "Transpose", "TRANSPOSE" }, { "MasterTune", "MASTER TUNE" },
    };
    for (const auto& n : names)
        if (juce::String (n.first) == rowName)
            return n.second;
    return rowName;
}
}

void paintMainBackground (juce::Graphics& g)
{
    art::brushedPanel (g, R (0, 0, 1024, 768));
    // Top bar with the page buttons and the name plate.
    g.setColour (art::panelDark);
    g.fillRect (0.0f, 0.0f, 1024.0f, 84.0f);
    g.setColour (art::line);
    g.drawLine (0.0f, 84.5f, 1024.0f, 84.5f, 1.0f);
    const char* pages[] = { "CONTENT", "SOUND", "EFFECTS" };
    for (int i = 1; i < placeMainButtons.count; ++i)
    {
        const PlaceRow& r = placeMainButtons[i];
        art::caption (g, pages[i - 1], (float) r.x + r.width * 0.5f, (float) (r.y + r.height) + 5.0f, 8.0f, art::text);
    }
    art::lcdCaptionLeft (g, "K-EDITOR", 520.0f, 26.0f, 24.0f, art::accent);
    art::captionLeft (g, "KESTRANE SOUND EDITOR", 522.0f, 58.0f, 8.0f, art::textDim);
    // The plate of the About spot at (818, 16, 40, 32).
    art::lcdWindow (g, R (820.0f, 18.0f, 36.0f, 28.0f));
    art::lcdCaption (g, "?", 838.0f, 24.0f, 16.0f, art::accent);
    art::screws (g, R (0, 0, 1024, 768));
    // Bottom strip beside the "Global" button.
    g.setColour (art::line);
    g.drawLine (0.0f, 700.5f, 1024.0f, 700.5f, 1.0f);
    bottomStrip (g, 0, 0, false);
}

void paintContentBackground (juce::Graphics& g)
{
    art::brushedPanel (g, R (0, 0, 876, 616));
    pageTitle (g, "CONTENT", 14.0f, 10.0f);
    art::section (g, R (32, 67, 126, 130), "SET");
    art::section (g, R (32, 207, 126, 130), "INSTRUMENT");
    art::section (g, R (32, 347, 126, 130), "MOVE");
    art::section (g, R (451, 67, 126, 130), "LIB");
    art::section (g, R (451, 347, 126, 130), "COPY");
    // The two lists: user list (166, 57) and library (586, 57), 238 x 450 each.
    art::caption (g, "USER SOUNDS", 166.0f + 119.0f, 38.0f, 10.0f, art::accent);
    art::caption (g, "LIBRARY", 586.0f + 119.0f, 38.0f, 10.0f, art::accent);
    art::well (g, R (163, 54, 244, 456));
    art::well (g, R (583, 54, 244, 456));
    // Layer mix slider at (44, 520, 368, 60): a groove under the handle's travel.
    art::section (g, R (30, 514, 396, 76), "LAYER MIX");
    art::lcdWindow (g, R (44.0f + 159.0f, 520.0f, 50.0f, 20.0f).reduced (1.0f, 2.0f));
    art::well (g, R (44.0f + 26.0f, 520.0f + 43.0f, 318.0f, 6.0f), 2.0f);
    for (int i = 0; i <= 8; ++i)
    {
        const float x = 44.0f + 29.5f + 311.0f * (float) i / 8.0f;
        g.setColour (i == 4 ? art::accent : art::textDim);
        g.drawLine (x, 520.0f + 54.0f, x, 520.0f + 58.0f, 1.0f);
    }
}

void paintModelBackground (juce::Graphics& g)
{
    art::brushedPanel (g, R (0, 0, 876, 676));
    pageTitle (g, "MODEL", 14.0f, 10.0f);
    art::captionLeft (g, "ELECTRIC PIANO MODEL", 100.0f, 13.0f, 9.0f, art::textDim);
    art::section (g, R (30, 82, 300, 150), "HAMMER");
    art::section (g, R (450, 82, 400, 150), "TINE");
    art::section (g, R (30, 306, 400, 288), "BAR");
    art::section (g, R (450, 306, 400, 288), "PICKUP");
    for (int i = 0; i < placeModelKnobs.count; ++i)
    {
        const PlaceRow& r = placeModelKnobs[i];
        knobLabels (g, knobImage (r, pageX, modelPageY), 17, knobCaption (r.name));
    }
    // The pickup type box at (623, 506, 178, 17).
    art::captionLeft (g, "TYPE", 623.0f, 492.0f, 8.0f, art::text);
    art::lcdWindow (g, R (621, 504, 182, 21));
    bottomStrip (g, pageX, modelPageY, true);
}

void paintEffectsBackground (juce::Graphics& g)
{
    art::brushedPanel (g, R (0, 0, 876, 620));
    art::section (g, R (10, 10, 325, 132), "TREMOLO");
    art::section (g, R (345, 10, 90, 132), "OUTPUT");
    art::section (g, R (600, 10, 266, 132), "STRING RESONANCE");
    art::section (g, R (10, 160, 284, 140), "CHORUS");
    art::section (g, R (302, 160, 272, 140), "FLANGER");
    art::section (g, R (582, 160, 284, 140), "PHASER");
    art::section (g, R (10, 315, 490, 140), "ECHO / REVERB");
    art::section (g, R (510, 315, 356, 140), "AUTO WAH");
    art::section (g, R (10, 470, 490, 140), "EQUALIZER");
    art::section (g, R (510, 470, 356, 140), "OVERDRIVE");
    for (int i = 0; i < placeEffectsKnobs.count; ++i)
    {
        const PlaceRow& r = placeEffectsKnobs[i];
        const auto image = knobImage (r, pageX, effectsPageY);
        if (i < 3)
            knobLabelsRight (g, image, knobCaption (r.name));
        else
            knobLabels (g, image, 16, knobCaption (r.name));
    }
    const char* switchNames[] = { "STEREO", "ON", "ON", "ON", "ON", "", "ON", "AUTO", "ON", "ON", "TUBE" };
    for (int i = 0; i < placeEffectsButtons.count; ++i)
        if (i != 5)
            switchLabel (g, placeEffectsButtons[i], 0, 0, switchNames[i]);
    // The Echo/Reverb selector draws its own captions; a bracket ties them to its switch.
    const PlaceRow& select = placeEffectsButtons[5];
    g.setColour (art::line);
    g.drawLine ((float) select.x + 22.0f, (float) select.y - 5.0f, (float) select.x + 22.0f, (float) select.y, 1.0f);
}

void paintFmBackground (juce::Graphics& g)
{
    art::brushedPanel (g, R (0, 0, 876, 676));
    pageTitle (g, "FM", 830.0f, 8.0f);
    const char* operators[] = { "MODULATOR A", "CARRIER A", "MODULATOR B", "CARRIER B", "MODULATOR C", "CARRIER C" };
    const char* parameters[] = { "PITCH", "DETUNE", "LEVEL", "VELOCITY", "DECAY 1", "BREAK LVL", "DECAY 2" };
    const float rowY[] = { 57, 157, 251, 351, 445, 545 };
    const juce::Colour modulator (0xFF892220u), carrier (0xFF127E6Au);
    for (int pair = 0; pair < 3; ++pair)
        art::section (g, R (16.0f, rowY[pair * 2] - 30.0f, 844.0f, rowY[pair * 2 + 1] - rowY[pair * 2] + 66.0f),
                      juce::String ("PAIR ") + juce::String::charToString ((juce::juce_wchar) ('A' + pair)));
    for (int o = 0; o < 6; ++o)
    {
        const float y = rowY[o];
        g.setColour (o % 2 == 0 ? modulator : carrier);
        g.fillRect (32.0f, y - 15.0f, 6.0f, 8.0f);
        art::captionLeft (g, operators[o], 42.0f, y - 15.0f, 8.0f, art::text);
        for (int p = 0; p < 7; ++p)
        {
            const float x = 32.0f + 117.0f * (float) p;
            art::well (g, R (x - 1.0f, y - 1.0f, 112.0f, 20.0f), 2.0f);
            art::caption (g, parameters[p], x + 55.0f, y + 22.0f, 7.0f, art::textDim, 106.0f);
        }
    }
    bottomStrip (g, pageX, modelPageY, true);
}

void paintSampleBackground (juce::Graphics& g)
{
    art::brushedPanel (g, R (0, 0, 314, 430));
    g.setColour (art::line);
    g.drawRect (0.0f, 0.0f, 314.0f, 430.0f, 1.0f);
    art::section (g, R (14, 14, 286, 300), "SAMPLE");
    // The sample box at (68, 39, 178, 17).
    art::lcdWindow (g, R (66, 37, 182, 21));
    // A stylised waveform under the box, to fill the panel.
    juce::Path wave;
    for (int i = 0; i <= 240; ++i)
    {
        const float x = 37.0f + (float) i;
        const float env = std::exp (-(float) i / 70.0f);
        const float y = 190.0f - 70.0f * env * std::sin ((float) i * 0.35f) * std::cos ((float) i * 0.05f);
        if (i == 0) wave.startNewSubPath (x, y); else wave.lineTo (x, y);
    }
    art::well (g, R (30, 100, 254, 180));
    g.setColour (art::accent.withAlpha (0.8f));
    g.strokePath (wave, juce::PathStrokeType (1.2f));
    art::caption (g, "SAMPLE ENGINE", 157.0f, 292.0f, 8.0f, art::textDim);
    bottomStrip (g, samplePageX, samplePageY, true);
}

void paintGlobalBackground (juce::Graphics& g)
{
    const R area (0, 0, 443, 245);
    g.setColour (juce::Colour (0xFF1A1A1Au));
    g.fillRoundedRectangle (area, 8.0f);
    art::brushedPanel (g, area.reduced (3.0f));
    g.setColour (art::accent.withAlpha (0.6f));
    g.drawRoundedRectangle (area.reduced (1.0f), 8.0f, 2.0f);
    // The close spot at (315, 288, 16, 16) in the window.
    const R close (8, 8, 16, 16);
    art::lcdWindow (g, close);
    g.setColour (art::accent);
    g.drawLine (12.0f, 12.0f, 20.0f, 20.0f, 1.6f);
    g.drawLine (20.0f, 12.0f, 12.0f, 20.0f, 1.6f);
    art::captionLeft (g, "GLOBAL", 34.0f, 10.0f, 12.0f, art::accent);
    for (int i = 0; i < placeGlobalKnobs.count; ++i)
    {
        const PlaceRow& r = placeGlobalKnobs[i];
        // In the dialog the knob image lands at (x - 74, y - 92) of the window.
        knobLabels (g, knobImage (r, pageX + globalPanelX, modelPageY + globalPanelY), 35, knobCaption (r.name));
    }
    // The three boxes at x 607, y 326 / 375 / 424 in the window, 76 x 20.
    const char* boxes[] = { "CHANNEL", "PEDAL", "LEVEL" };
    for (int i = 0; i < 3; ++i)
    {
        const float y = (float) (326 + 49 * i - globalPanelY);
        const float x = (float) (607 - globalPanelX);
        art::lcdWindow (g, R (x - 2.0f, y - 1.0f, 80.0f, 22.0f));
        art::caption (g, boxes[i], x + 38.0f, y - 13.0f, 8.0f, art::text);
    }
}

void paintSampleContentList (juce::Graphics& g)
{
    art::well (g, R (0, 0, 250, 312), 4.0f);
    g.setColour (art::line);
    for (float y = 16.0f; y < 312.0f; y += 16.0f)
        g.drawLine (6.0f, y, 244.0f, y, 0.5f);
}

void paintBarSelect (juce::Graphics& g)
{
    art::well (g, R (0, 0, 238, 450), 3.0f);
    for (int i = 0; i < 28; ++i)
        if (i % 2 == 1)
        {
            g.setColour (juce::Colours::white.withAlpha (0.03f));
            g.fillRect (2.0f, (float) i * 16.0f + 1.0f, 234.0f, 16.0f);
        }
}

void paintGlassReflex (juce::Graphics& g)
{
    juce::Path gloss;
    gloss.startNewSubPath (0.0f, 0.0f);
    gloss.lineTo (250.0f, 0.0f);
    gloss.lineTo (250.0f, 60.0f);
    gloss.quadraticTo (125.0f, 110.0f, 0.0f, 140.0f);
    gloss.closeSubPath();
    g.setGradientFill (juce::ColourGradient (juce::Colours::white.withAlpha (0.12f), 0.0f, 0.0f,
                                             juce::Colours::white.withAlpha (0.0f), 0.0f, 140.0f, false));
    g.fillPath (gloss);
}
