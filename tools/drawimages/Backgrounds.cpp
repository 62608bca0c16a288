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

// The window's ground as it lies under a page at (originX, originY), so that the page's panel
// continues it rather than sitting on it.
void windowGround (juce::Graphics& g, R area, int originX, int originY)
{
    juce::Graphics::ScopedSaveState save (g);
    g.reduceClipRegion (area.getSmallestIntegerContainer());
    art::brushedPanel (g, R ((float) -originX, (float) -originY, 1024.0f, 768.0f));
}

// What a knob shows on a background: the image, its value box in the band above, its caption.
R knobExtent (const PlaceRow& r, int originX, int originY, int band)
{
    const auto image = knobImage (r, originX, originY);
    return { image.x, image.y - (float) band, 83.0f, (float) band + 94.0f };
}

// A knob whose value box sits at its right.
R knobRightExtent (const PlaceRow& r, int originX, int originY)
{
    const auto image = knobImage (r, originX, originY);
    return { image.x, image.y, 125.0f, 94.0f };
}

// A switch and the caption under it.
R switchExtent (const PlaceRow& r, int originX, int originY)
{
    return { (float) (r.x - originX), (float) (r.y - originY), (float) r.width, (float) r.height + 10.0f };
}

R pushExtent (const PlaceRow& r) { return { (float) r.x, (float) r.y, (float) r.width, (float) r.height }; }

// A frame's margins around what it holds.
struct Margins
{
    float side, top, bottom;
};

R frameAround (std::initializer_list<R> parts, Margins m)
{
    R all = *parts.begin();
    for (const auto& p : parts)
        all = all.getUnion (p);
    return { all.getX() - m.side, all.getY() - m.top, all.getWidth() + 2.0f * m.side, all.getHeight() + m.top + m.bottom };
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

constexpr int selectorX = 401, selectorY = 708;
const char* const engineNames[] = { "MODEL", "FM", "SAMPLE" };
constexpr float engineCaptionHeight = 8.0f;

float engineCaptionCentre (int i) { return (float) (selectorX + placeEngineButtons[i].x + placeEngineButtons[i].width / 2); }

// The window's divider above its bottom strip, where a page of that width lies over it; it breaks
// where the engine names sit on it.
void divider (juce::Graphics& g, int originX, int originY, float width, bool engineCaptions)
{
    juce::Graphics::ScopedSaveState save (g);
    if (engineCaptions)
        for (int i = 0; i < placeEngineButtons.count; ++i)
        {
            const float w = art::captionWidth (engineNames[i], engineCaptionHeight) + 10.0f;
            g.excludeClipRegion (R (engineCaptionCentre (i) - (float) originX - w * 0.5f, 690.0f - (float) originY, w, 20.0f)
                                     .getSmallestIntegerContainer());
        }
    g.setColour (art::line);
    g.drawLine (0.0f, 700.5f - (float) originY, width, 700.5f - (float) originY, 1.0f);
}

// The parts of the window's bottom strip that lie under a full-height page: the divider, the
// "Global" button's caption and, above the engine selector, the three engine names.
void bottomStrip (juce::Graphics& g, int originX, int originY, float width, bool engineCaptions)
{
    divider (g, originX, originY, width, engineCaptions);
    const PlaceRow& global = placeMainButtons[0];
    art::caption (g, "GLOBAL", (float) (global.x + global.width + 30 - originX),
                  (float) (global.y + 21 - originY), 9.0f, art::text);
    if (! engineCaptions)
        return;
    for (int i = 0; i < placeEngineButtons.count; ++i)
    {
        const PlaceRow& r = placeEngineButtons[i];
        art::caption (g, engineNames[i], engineCaptionCentre (i) - (float) originX,
                      (float) (selectorY + r.y - 12 - originY), engineCaptionHeight, art::accent);
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
    bottomStrip (g, 0, 0, 1024.0f, false);
}

void paintContentBackground (juce::Graphics& g)
{
    windowGround (g, R (0, 0, 876, 616), pageX, modelPageY);
    divider (g, pageX, modelPageY, 876.0f, false);
    pageTitle (g, "CONTENT", 14.0f, 10.0f);
    // Each pair of push buttons in its frame.
    const Margins pair { 13.0f, 12.0f, 10.0f };
    const auto& b = placeContentButtons;
    art::section (g, frameAround ({ pushExtent (b[0]), pushExtent (b[1]) }, pair), "SET");
    art::section (g, frameAround ({ pushExtent (b[2]), pushExtent (b[3]) }, pair), "INSTRUMENT");
    art::section (g, frameAround ({ pushExtent (b[4]), pushExtent (b[5]) }, pair), "MOVE");
    art::section (g, frameAround ({ pushExtent (b[6]), pushExtent (b[7]) }, pair), "LIB");
    art::section (g, frameAround ({ pushExtent (b[8]), pushExtent (b[9]) }, pair), "COPY");
    // The two lists: user list (166, 57) and library (586, 57), 238 x 450 each.
    art::caption (g, "USER SOUNDS", 166.0f + 119.0f, 38.0f, 10.0f, art::accent);
    art::caption (g, "LIBRARY", 586.0f + 119.0f, 38.0f, 10.0f, art::accent);
    art::well (g, R (163, 54, 244, 456));
    art::well (g, R (583, 54, 244, 456));
    // Layer mix slider at (44, 520, 368, 60): a groove under the handle's travel. The lists leave
    // no room above its first row, so the title sits over the value box rather than over the
    // engine box and the sound's name at the left.
    art::section (g, R (30, 514, 396, 76), "LAYER MIX", 44.0f + 184.0f);
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
    windowGround (g, R (0, 0, 876, 676), pageX, modelPageY);
    pageTitle (g, "MODEL", 14.0f, 10.0f);
    art::captionLeft (g, "ELECTRIC PIANO MODEL", 100.0f, 13.0f, 9.0f, art::textDim);
    constexpr int band = 17;
    const auto knob = [] (int i) { return knobExtent (placeModelKnobs[i], pageX, modelPageY, band); };
    // The pickup type box at (623, 506, 178, 17), its caption above it.
    const R typeBox (621, 492, 182, 33);
    const Margins m { 26.0f, 20.0f, 20.0f };
    art::section (g, frameAround ({ knob (0), knob (1) }, m), "HAMMER");
    art::section (g, frameAround ({ knob (2), knob (3), knob (4) }, m), "TINE");
    art::section (g, frameAround ({ knob (5), knob (6), knob (7), knob (8), knob (9), knob (10) }, m), "BAR");
    art::section (g, frameAround ({ knob (11), knob (12), knob (13), knob (14), typeBox }, m), "PICKUP");
    for (int i = 0; i < placeModelKnobs.count; ++i)
    {
        const PlaceRow& r = placeModelKnobs[i];
        knobLabels (g, knobImage (r, pageX, modelPageY), band, knobCaption (r.name));
    }
    art::captionLeft (g, "TYPE", typeBox.getX() + 2.0f, typeBox.getY(), 8.0f, art::text);
    art::lcdWindow (g, typeBox.withTrimmedTop (12.0f));
    bottomStrip (g, pageX, modelPageY, 876.0f, true);
}

void paintEffectsBackground (juce::Graphics& g)
{
    windowGround (g, R (0, 0, 876, 620), pageX, effectsPageY);
    divider (g, pageX, effectsPageY, 876.0f, false);
    constexpr int band = 16;
    const auto knob = [] (int i)
    {
        const PlaceRow& r = placeEffectsKnobs[i];
        return i < 3 ? knobRightExtent (r, pageX, effectsPageY) : knobExtent (r, pageX, effectsPageY, band);
    };
    const auto button = [] (int i) { return switchExtent (placeEffectsButtons[i], 0, 0); };
    // The Echo/Reverb selector with its two captions, as it lies in the page.
    const R selector (100, 344, 95, 74);
    const Margins m { 12.0f, 12.0f, 14.0f };
    struct Frame { R r; const char* title; };
    Frame rows[4][3] = {
        { { frameAround ({ knob (0), knob (1) }, m), "TREMOLO" },
          { frameAround ({ button (0) }, m), "OUTPUT" },
          { frameAround ({ knob (2) }, m), "STRING RESONANCE" } },
        { { frameAround ({ button (1), knob (3), knob (4) }, m), "CHORUS" },
          { frameAround ({ button (2), knob (5), knob (6) }, m), "FLANGER" },
          { frameAround ({ button (3), knob (7), knob (8) }, m), "PHASER" } },
        { { frameAround ({ button (4), selector, knob (9), knob (10), knob (11) }, m), "ECHO / REVERB" },
          { frameAround ({ button (6), button (7), knob (12), knob (13) }, m), "AUTO WAH" } },
        { { frameAround ({ button (8), knob (14), knob (15), knob (16), knob (17) }, m), "EQUALIZER" },
          { frameAround ({ button (9), button (10), knob (18), knob (19) }, m), "OVERDRIVE" } },
    };
    // The frames of a row share its top and bottom.
    for (auto& row : rows)
    {
        float top = 1.0e6f, bottom = 0.0f;
        for (const auto& f : row)
            if (f.title != nullptr)
                top = juce::jmin (top, f.r.getY()), bottom = juce::jmax (bottom, f.r.getBottom());
        for (auto& f : row)
            if (f.title != nullptr)
                art::section (g, f.r.withY (top).withBottom (bottom), f.title);
    }
    for (int i = 0; i < placeEffectsKnobs.count; ++i)
    {
        const PlaceRow& r = placeEffectsKnobs[i];
        const auto image = knobImage (r, pageX, effectsPageY);
        if (i < 3)
            knobLabelsRight (g, image, knobCaption (r.name));
        else
            knobLabels (g, image, band, knobCaption (r.name));
    }
    const char* switchNames[] = { "STEREO", "ON", "ON", "ON", "ON", "", "ON", "AUTO", "ON", "ON", "TUBE" };
    for (int i = 0; i < placeEffectsButtons.count; ++i)
        if (i != 5)
            switchLabel (g, placeEffectsButtons[i], 0, 0, switchNames[i]);
    // The Echo/Reverb selector draws its own captions (Echo at its left, Reverb at its right, 16 high);
    // a bracket under them ties both to its switch.
    const PlaceRow& select = placeEffectsButtons[5];
    const float echoCentre = selector.getX() + 17.0f, reverbCentre = selector.getX() + 39.0f + 23.0f;
    const float top = selector.getY() + 16.5f, bar = (float) select.y - 3.5f, stem = (float) select.x + select.width * 0.5f;
    juce::Path bracket;
    bracket.startNewSubPath (echoCentre, top);
    bracket.lineTo (echoCentre, bar);
    bracket.lineTo (reverbCentre, bar);
    bracket.lineTo (reverbCentre, top);
    bracket.startNewSubPath (stem, bar);
    bracket.lineTo (stem, (float) select.y);
    g.setColour (art::textDim);
    g.strokePath (bracket, juce::PathStrokeType (1.0f));
}

void paintFmBackground (juce::Graphics& g)
{
    windowGround (g, R (0, 0, 876, 676), pageX, modelPageY);
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
            art::caption (g, parameters[p], x + 55.0f, y + 22.0f, 8.0f, art::textDim, 106.0f);
        }
    }
    bottomStrip (g, pageX, modelPageY, 876.0f, true);
}

void paintSampleBackground (juce::Graphics& g)
{
    // No edge of its own: the panel is a piece of the window, divider and all.
    windowGround (g, R (0, 0, 314, 430), samplePageX, samplePageY);
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
    bottomStrip (g, samplePageX, samplePageY, 314.0f, true);
}

void paintGlobalBackground (juce::Graphics& g)
{
    // In the dialog the knob image lands at (x - 74 - 307, y - 92 - 280) of the row.
    constexpr int originX = pageX + globalPanelX, originY = modelPageY + globalPanelY, band = 35;
    const auto knob = [] (int i) { return knobExtent (placeGlobalKnobs[i], originX, originY, band); };
    // The three boxes at x 607, y 326 / 375 / 424 in the window, 76 x 20, each captioned above.
    const char* boxes[] = { "CHANNEL", "PEDAL", "LEVEL" };
    const float boxX = (float) (607 - globalPanelX);
    const auto boxY = [] (int i) { return (float) (326 + 49 * i - globalPanelY); };
    const R boxColumn (boxX - 2.0f, boxY (0) - 13.0f, 80.0f, boxY (2) + 21.0f - (boxY (0) - 13.0f));
    // The panel is as large as what it holds, with the knobs' left margin on its right and below;
    // the rest of the image stays clear, so the veil shows there.
    const R held = knob (0).getUnion (knob (1)).getUnion (boxColumn);
    const float margin = held.getX();
    const R area (0.0f, 0.0f, held.getRight() + margin, held.getBottom() + margin * 0.75f);
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
    art::captionLeft (g, "GLOBAL", 34.0f, 10.0f, 12.0f, art::accent, true);
    for (int i = 0; i < placeGlobalKnobs.count; ++i)
    {
        const PlaceRow& r = placeGlobalKnobs[i];
        knobLabels (g, knobImage (r, originX, originY), band, knobCaption (r.name));
    }
    for (int i = 0; i < 3; ++i)
    {
        art::lcdWindow (g, R (boxX - 2.0f, boxY (i) - 1.0f, 80.0f, 22.0f));
        art::caption (g, boxes[i], boxX + 38.0f, boxY (i) - 13.0f, 8.0f, art::text);
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
