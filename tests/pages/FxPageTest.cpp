#include "controls/zbutton.h"
#include "controls/zpot.h"
#include "editor/FxPanel.h"
#include "sound/CcConversion.h"
#include "tests/pages/PageFixture.h"

namespace
{
    enum { stereo = 0, chorusOn = 1, echoReverbOn = 4, echoOrReverb = 5, autoWahAuto = 7,
           equaliserOn = 8, tube = 10 };

    // The instrument's CC of every knob, by the knob's index.
    struct KnobCc { const char* place; int cc; };
    const KnobCc knobCcs[FxPanel::numKnobs] = {
        { "TREMOLO_Intensy", 92 }, { "TREMOLO_Speed", 13 }, { "STRINGRESO_Level", 71 },
        { "CHORUS_Depth", 93 },    { "CHORUS_Tempo", 14 },  { "FLANGER_Depth", 94 },
        { "FLANGER_Tempo", 15 },   { "PHASER_Depth", 95 },  { "PHASER_Tempo", 16 },
        { "ECHOVERB_Depth", 91 },  { "ECHOVERB_Tempo", 12 }, { "ECHOVERB_Delay", 19 },
        { "AUTOWAH_Depth", 89 },   { "AUTOWAH_Tempo", 17 }, { "EQUAL_Bass", 85 },
        { "EQUAL_Mid", 86 },       { "EQUAL_Presence", 87 }, { "EQUAL_Treble", 88 },
        { "ODRIVE_Drive", 90 },    { "ODRIVE_Color", 18 },
    };

    // Every knob and plain switch at 0, all effects off.
    SoundRecord quietSound()
    {
        SoundRecord s = makeSound();
        for (const auto& knob : knobCcs)
            setCc (&s, knob.cc, 0, true);
        setCcs (s, { { 21, 0 }, { 20, 0 }, { 25, 0 }, { 26, 0 } });
        s[SoundRecord::effectMask] = 0;
        return s;
    }

    void click (zbutton* button)
    {
        button->triggerClick();
        pumpMessageLoop (20);
    }
}

using FxPage = PageTest;

// Each knob shows and sends the instrument's CC for its place: a sound whose knob CCs each hold
// their own number shows that number on every knob (and sends it, as every loaded knob does),
// and a turn goes out on it.
TEST_F (FxPage, EveryKnobShowsAndSendsItsOwnCc)
{
    SoundRecord s = quietSound();
    std::vector<MidiBytes> loading;
    for (const auto& knob : knobCcs)
    {
        setCc (&s, knob.cc, knob.cc, true);
        loading.push_back (cc (knob.cc, knob.cc));
    }
    FxPanel page;
    page.setSound (&s);
    EXPECT_EQ (sentSinceLast(), loading);

    for (int i = 0; i < FxPanel::numKnobs; ++i)
    {
        SCOPED_TRACE (knobCcs[i].place);
        EXPECT_EQ (page.knobs[i]->getValue(), knobCcs[i].cc);
        page.knobs[i]->setValue (1 + i, juce::sendNotificationSync);
        EXPECT_EQ (sentSinceLast(), std::vector<MidiBytes> { cc (knobCcs[i].cc, 1 + i) });
        EXPECT_EQ (getCc (&s, knobCcs[i].cc, true), 1 + i);
    }
}

TEST_F (FxPage, LoadSendsTheKnobsThatMovedAndNoSwitch)
{
    SoundRecord s = quietSound();
    setCc (&s, 93, 40, true);                        // chorus depth
    setCc (&s, 21, 1, true);                         // stereo on
    s[SoundRecord::effectMask] = 1u << 2 | 1u << 8;  // chorus and overdrive on

    FxPanel page;
    page.setSound (&s);
    EXPECT_EQ (sentSinceLast(), std::vector<MidiBytes> { cc (93, 40) });
    EXPECT_EQ (getCc (&s, 93, true), 40);
    EXPECT_TRUE (page.buttons[stereo]->getToggleState());
    EXPECT_TRUE (page.buttons[chorusOn]->getToggleState());
    EXPECT_TRUE (page.buttons[9]->getToggleState());
    EXPECT_FALSE (page.buttons[equaliserOn]->getToggleState());

    page.setSound (&s);
    EXPECT_TRUE (sentSinceLast().empty());
}

TEST_F (FxPage, ValuesTheSoundLacksLeaveKnobsAloneAndShowSwitchesOn)
{
    // CC 89 (auto-wah depth) and CC 21 (stereo) have neither a stored value nor a default.
    SoundRecord s = makeSound();
    FxPanel page;
    page.knobs[12]->setValue (30, juce::dontSendNotification);
    page.setSound (&s);
    sentSinceLast();
    EXPECT_EQ (page.knobs[12]->getValue(), 30);
    EXPECT_TRUE (page.buttons[stereo]->getToggleState());
}

TEST_F (FxPage, EffectSwitchesSendTheMaskAfterAReset)
{
    SoundRecord s = quietSound();
    s[SoundRecord::effectMask] = 0x203;   // bits outside the mask stay as they are
    s[SoundRecord::effectSwitchReset] = 55;
    s[SoundRecord::contentFingerprint] = 0x1234;
    s[SoundRecord::contentFingerprint + 1] = 0x5678;

    FxPanel page;
    page.setSound (&s);
    sentSinceLast();

    struct Step { int button; std::vector<MidiBytes> sent; uint32_t word38; };
    const Step steps[] = {
        { chorusOn,     { cc (30, 0), cc (31, 0x01) }, 0x207 },
        { equaliserOn,  { cc (30, 0), cc (31, 0x21) }, 0x287 },
        { chorusOn,     { cc (30, 0), cc (31, 0x20) }, 0x283 },
        { echoReverbOn, { cc (30, 0), cc (31, 0x28) }, 0x2A3 },
    };
    for (const auto& step : steps)
    {
        SCOPED_TRACE (step.button);
        click (page.buttons[step.button]);
        EXPECT_EQ (sentSinceLast(), step.sent);
        EXPECT_EQ (s[SoundRecord::effectMask], step.word38);
        EXPECT_EQ (s[SoundRecord::effectSwitchReset], 0u);
        // The edited sound must not pass for its unedited copy.
        EXPECT_EQ (s[SoundRecord::contentFingerprint], 0u);
        EXPECT_EQ (s[SoundRecord::contentFingerprint + 1], 0u);
    }
}

TEST_F (FxPage, PlainSwitchesSendZeroOrOneOnTheirCc)
{
    SoundRecord s = quietSound();
    FxPanel page;
    page.setSound (&s);
    sentSinceLast();

    struct Case { int button; int cc; };
    for (const Case c : { Case { stereo, 21 }, Case { echoOrReverb, 20 }, Case { autoWahAuto, 25 },
                          Case { tube, 26 } })
    {
        SCOPED_TRACE (c.cc);
        click (page.buttons[c.button]);
        EXPECT_EQ (sentSinceLast(), std::vector<MidiBytes> { cc (c.cc, 1) });
        EXPECT_EQ (getCc (&s, c.cc, true), 1);
        click (page.buttons[c.button]);
        EXPECT_EQ (sentSinceLast(), std::vector<MidiBytes> { cc (c.cc, 0) });
        EXPECT_EQ (getCc (&s, c.cc, true), 0);
    }
}

TEST_F (FxPage, EveryKnobChangeIsSentAndStored)
{
    SoundRecord s = quietSound();
    FxPanel page;
    page.setSound (&s);
    sentSinceLast();

    struct Case { int knob; int value; };
    for (const Case c : { Case { 0, 127 }, Case { 14, 64 }, Case { 19, 1 }, Case { 11, 100 } })
    {
        SCOPED_TRACE (c.knob);
        page.knobs[c.knob]->setValue (c.value, juce::sendNotificationSync);
        page.sliderValueChanged (page.knobs[c.knob]);   // no last-sent rule on this page
        EXPECT_EQ (sentSinceLast(), (std::vector<MidiBytes> { cc (knobCcs[c.knob].cc, c.value),
                                                              cc (knobCcs[c.knob].cc, c.value) }));
        EXPECT_EQ (getCc (&s, knobCcs[c.knob].cc, true), c.value);
    }
}

TEST_F (FxPage, UnloadedPageSendsNothing)
{
    FxPanel page;
    page.knobs[3]->setValue (20, juce::sendNotificationSync);
    click (page.buttons[stereo]);
    click (page.buttons[chorusOn]);
    EXPECT_TRUE (sentSinceLast().empty());
    EXPECT_TRUE (page.buttons[chorusOn]->getToggleState());
}
