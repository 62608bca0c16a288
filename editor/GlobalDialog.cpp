#include "editor/GlobalDialog.h"
#include "app/InstrumentLink.h"
#include "controls/Images.h"
#include "controls/PlaceTable.h"
#include "controls/dpot.h"
#include "controls/tpot.h"

namespace
{
int transposeFromByte (int byte)
{
    return juce::jlimit (52, 76, byte) - 64;
}

void addItems (juce::ComboBox& box, std::initializer_list<const char*> texts)
{
    int id = 1;
    for (auto* t : texts)
        box.addItem (t, id++);
}
}

GlobalDialog::GlobalDialog()
{
    setBounds (0, 0, 1024, 768);

    // The instrument gets 50 ms to answer before anything else goes to it; its dump updates the
    // dialog when the timer takes it.
    static const uint8_t globalRequest[7] = { 0xF0, 0x7D, 0x2B, 0x7F, 0x02, 0x7F, 0xF7 };
    sendMidi (globalRequest, 7, 50);

    decodeAhead ({ "Background_Global.png" }, { placeGlobalKnobs });
    background = getImage ("Background_Global.png");

    transposeKnob = new tpot (placeGlobalKnobs.row (0));
    transposeKnob->setRange (-12.0, 12.0, 1.0);
    addAndMakeVisible (transposeKnob);
    transposeKnob->setLabelBand (35, 0, 0);
    transposeKnob->addListener (this);

    masterTuneKnob = new dpot (placeGlobalKnobs.row (1));
    addAndMakeVisible (masterTuneKnob);
    masterTuneKnob->setLabelBand (35, 0, 0);
    masterTuneKnob->addListener (this);

    for (int ch = 1; ch <= 16; ++ch)
        channelBox.addItem (juce::String::formatted ("CH %02d", ch), ch);
    channelBox.addItem ("OMNI", 17);
    channelBox.setBounds (607, 326, 76, 20);
    channelBox.addListener (this);
    addAndMakeVisible (channelBox);

    addItems (pedalBox, { "auto", "closed", "open" });
    pedalBox.setBounds (607, 375, 76, 20);
    pedalBox.addListener (this);
    addAndMakeVisible (pedalBox);

    addItems (levelBox, { "low", "line", "medium", "high" });
    levelBox.setBounds (607, 424, 76, 20);
    levelBox.addListener (this);
    addAndMakeVisible (levelBox);

    closeSpot.setBounds (315, 288, 16, 16);
    addAndMakeVisible (closeSpot);

    updateFromGlobalBlock();
}

GlobalDialog::~GlobalDialog()
{
    delete transposeKnob;
    transposeKnob = nullptr;
    delete masterTuneKnob;
    masterTuneKnob = nullptr;
}

void GlobalDialog::updateFromGlobalBlock()
{
    // Shown only: a load that wrote back would send the block as it stood before a dump that
    // arrives later, over the instrument's newer values.
    uint8_t block[GlobalBlock::size];
    globalBlock.copyTo (block);
    const auto quiet = juce::dontSendNotification;
    channelBox.setSelectedId (block[GlobalBlock::channel] + 1, quiet);
    levelBox.setSelectedId ((block[GlobalBlock::level] & 3) + 1, quiet);
    pedalBox.setSelectedId (block[GlobalBlock::pedal] + 1, quiet);
    transposeKnob->setValue (transposeFromByte (block[GlobalBlock::transpose]), quiet);
    masterTuneKnob->setValue (block[GlobalBlock::masterTune], quiet);
}

void GlobalDialog::sliderValueChanged (juce::Slider* slider)
{
    const int value = static_cast<int> (slider->getValue());
    if (slider == transposeKnob)
        globalBlock.edit (GlobalBlock::transpose, static_cast<uint8_t> ((value + 64) & 0x7F));
    else
        globalBlock.edit (GlobalBlock::masterTune, static_cast<uint8_t> (value));
    globalSendCountdown |= 4;
}

void GlobalDialog::comboBoxChanged (juce::ComboBox* box)
{
    int byte = GlobalBlock::channel, limit = 16;
    if (box == &pedalBox)
    {
        byte = GlobalBlock::pedal;
        limit = 2;
    }
    else if (box == &levelBox)
    {
        byte = GlobalBlock::level;
        limit = 3;
    }

    // No selection counts as the first item.
    const int value = juce::jmax (0, box->getSelectedId() - 1);
    globalSendCountdown |= 4;
    globalBlock.edit (byte, static_cast<uint8_t> (juce::jmin (value, limit)));
}

void GlobalDialog::paint (juce::Graphics& g)
{
    g.fillAll (juce::Colour (0x80FFFFFFu));
    if (background.isValid())
        drawImagePart (g, background, 307, 280, 443, 245, 0, 0, 443, 245);
}
