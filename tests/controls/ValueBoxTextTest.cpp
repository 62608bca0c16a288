// Every value box reads back each text it shows: the text is put into the box as a user would
// type it, and the control must come back to the value that showed it.
#include <gtest/gtest.h>
#include <cmath>
#include <functional>
#include <memory>
#include "controls/FmSlider.h"
#include "controls/PlaceTable.h"
#include "controls/dpot.h"
#include "controls/tpot.h"
#include "controls/zlayerslider.h"
#include "controls/zpot.h"

namespace
{
juce::String signedOffset (int n) { return juce::String::formatted ("%+d", n); }

// The box texts, in the formats each control's text is given in.
juce::String plainText (int v) { return juce::String (v); }
juce::String bipolarText (int v) { return v == 64 ? juce::String ("0") : signedOffset (v - 64); }
juce::String transposeText (int v) { return v == 0 ? juce::String ("0") : signedOffset (v); }
juce::String layerMixText (int v) { return v == 0 ? juce::String ("OFF") : bipolarText (v); }
juce::String masterTuneText (int v)
{
    // The pitch of A with one decimal and a decimal comma.
    return juce::String::formatted ("%1.1f", 440.0 * std::pow (2.0, (v - 64) / 768.0)).replaceCharacter ('.', ',');
}

juce::Label* valueBox (juce::Slider& s)
{
    for (auto* child : s.getChildren())
        if (auto* label = dynamic_cast<juce::Label*> (child))
            return label;
    return nullptr;
}

struct BoxKind
{
    const char* name;
    std::function<std::unique_ptr<juce::Slider>()> make;
    int min, max;
    juce::String (*text) (int);
};

std::unique_ptr<juce::Slider> knob (const char* row)
{
    return std::make_unique<zpot> (findPlaceRow (row));
}
} // namespace

TEST (ValueBoxes, EveryShownTextReadsBackAsItsValue)
{
    const BoxKind kinds[] = {
        { "knob", [] { return knob ("BAR_Tone"); }, 0, 127, plainText },
        { "bipolar knob", [] { auto k = std::make_unique<zpot> (findPlaceRow ("EQUAL_Bass")); k->setBipolar(); return std::unique_ptr<juce::Slider> (std::move (k)); }, 0, 127, bipolarText },
        { "transpose", [] { return std::unique_ptr<juce::Slider> (std::make_unique<tpot> (findPlaceRow ("Transpose"))); }, -12, 12, transposeText },
        { "master tune", [] { return std::unique_ptr<juce::Slider> (std::make_unique<dpot> (findPlaceRow ("MasterTune"))); }, 0, 127, masterTuneText },
        { "layer mix", [] { return std::unique_ptr<juce::Slider> (std::make_unique<zlayerslider>()); }, 0, 127, layerMixText },
        { "FM bar", []
          {
              // As the FM page sets its bars up.
              auto bar = std::make_unique<FmSlider>();
              bar->setRange (0.0, 127.0, 1.0);
              bar->setSliderStyle (juce::Slider::LinearBar);
              bar->setTextBoxStyle (juce::Slider::TextBoxLeft, false, 120, 20);
              return std::unique_ptr<juce::Slider> (std::move (bar));
          }, 0, 127, plainText },
    };

    for (const auto& kind : kinds)
    {
        SCOPED_TRACE (kind.name);
        const auto slider = kind.make();
        slider->setBounds (0, 0, 200, 120);
        juce::Label* box = valueBox (*slider);
        ASSERT_NE (box, nullptr);

        for (int v = kind.min; v <= kind.max; ++v)
        {
            const juce::String text = kind.text (v);
            slider->setValue (v, juce::dontSendNotification);
            EXPECT_EQ (box->getText(), text) << "value " << v;

            // A decimal point typed in place of the comma means the same.
            for (const auto& typed : { text, text.replaceCharacter (',', '.') })
            {
                slider->setValue (v == kind.min ? kind.max : kind.min, juce::dontSendNotification);
                box->setText (typed, juce::sendNotificationSync);
                EXPECT_EQ (slider->getValue(), v) << "typed " << typed;
            }
        }
    }
}
