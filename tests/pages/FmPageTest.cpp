#include <cstring>
#include <memory>
#include "controls/FmSlider.h"
#include "editor/FmPanel.h"
#include "sound/CcConversion.h"
#include "tests/pages/PageFixture.h"

namespace
{
    // The instrument's CC of every bar, operator by operator; in each operator the parameters
    // Pitch, Detune, Level, Velocity Sensitivity, Decay 1, Break level, Decay rate 2.
    struct OperatorCcs { const char* name; int cc[7]; };
    const OperatorCcs operatorCcs[FmPanel::numOperators] = {
        { "Modulator A", {  60,  61,  58,  59,  54,  52,  51 } },
        { "Carrier A",   {  62,  63,  56,  57,  53,  55,  54 } },
        { "Modulator B", { 102, 103,  83,  84,  79,  77,  76 } },
        { "Carrier B",   { 104, 105,  81,  82,  78,  80,  79 } },
        { "Modulator C", { 116, 117, 114, 115, 110, 108, 107 } },
        { "Carrier C",   { 118, 119, 112, 113, 109, 111, 110 } },
    };

    int barCc (int bar) { return operatorCcs[bar / 7].cc[bar % 7]; }

    // Every bar's CC at 1 + (its first bar's number), i.e. 1..42, none at 0.
    SoundRecord fmSound()
    {
        SoundRecord s = makeSound();
        for (int k = FmPanel::numBars - 1; k >= 0; --k)
            setCc (&s, barCc (k), 1 + k, true);
        return s;
    }
}

using FmPage = PageTest;

// Each bar shows and sends the instrument's CC for its operator and parameter: a sound whose CCs
// each hold their own number shows that number on every bar, and a move goes out on it.
TEST_F (FmPage, EveryBarShowsAndSendsItsOwnCc)
{
    SoundRecord s = makeSound();
    for (const auto& op : operatorCcs)
        for (int number : op.cc)
            setCc (&s, number, number, true);
    FmPanel page;
    page.setSound (&s);
    EXPECT_TRUE (sentSinceLast().empty());

    for (int o = 0; o < FmPanel::numOperators; ++o)
        for (int p = 0; p < FmPanel::numParameters; ++p)
            EXPECT_EQ (page.bars[7 * o + p]->getValue(), operatorCcs[o].cc[p]) << "bar " << 7 * o + p;

    for (int o = 0; o < FmPanel::numOperators; ++o)
        for (int p = 0; p < FmPanel::numParameters; ++p)
        {
            const int k = 7 * o + p, number = operatorCcs[o].cc[p];
            SCOPED_TRACE (testing::Message() << operatorCcs[o].name << ", parameter " << p << ", bar " << k);
            page.bars[k]->setValue (1 + k, juce::sendNotificationSync);
            EXPECT_EQ (sentSinceLast(), std::vector<MidiBytes> { cc (number, 1 + k) });
            EXPECT_EQ (getCc (&s, number, true), 1 + k);
        }
}

TEST_F (FmPage, LoadIsSilentAndTheFirstUserMoveIsSent)
{
    struct Case
    {
        const char* name;
        std::vector<std::pair<int, int>> ccs;   // on top of fmSound()
        bool loaded;
    };
    const Case cases[] = {
        { "all bars 1..127", { { 60, 127 } }, true },
        // Bars loaded at 0 cause no notification; they must not leave swallows behind.
        { "five bars at 0", { { 60, 0 }, { 61, 0 }, { 58, 0 }, { 83, 0 }, { 119, 0 } }, true },
        { "no current sound", {}, false },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        SoundRecord s = fmSound();
        for (const auto& [number, value] : c.ccs)
            setCc (&s, number, value, true);
        const SoundRecord before = s;

        FmPanel page;
        if (c.loaded)
            page.setSound (&s);
        EXPECT_TRUE (sentSinceLast().empty());
        if (c.loaded)
            for (int k = 0; k < FmPanel::numBars; ++k)
                EXPECT_EQ (page.bars[k]->getValue(), getCc (&s, barCc (k), true)) << "bar " << k;

        // The user's first moves, on bars loaded with 0 and with other values alike.
        for (int k : { 0, 1, 16, 40, 35 })
        {
            page.bars[k]->setValue (77, juce::sendNotificationSync);
            EXPECT_EQ (sentSinceLast(), std::vector<MidiBytes> { cc (barCc (k), 77) }) << "bar " << k;
            if (c.loaded)
                EXPECT_EQ (getCc (&s, barCc (k), true), 77) << "bar " << k;
        }
        if (! c.loaded)
            EXPECT_EQ (std::memcmp (&before, &s, sizeof (s)), 0) << "an unloaded page stores nothing";
    }
}

TEST_F (FmPage, ReloadIsSilentAndShowsTheNewValues)
{
    SoundRecord s = fmSound();
    FmPanel page;
    page.setSound (&s);
    sentSinceLast();

    page.setSound (&s);
    EXPECT_TRUE (sentSinceLast().empty());

    // As after a CC from the instrument: the page follows without echoing it back.
    setCc (&s, 81, 99, true);
    page.setSound (&s);
    EXPECT_TRUE (sentSinceLast().empty());
    EXPECT_EQ (page.bars[23]->getValue(), 99);

    page.bars[23]->setValue (64, juce::sendNotificationSync);
    EXPECT_EQ (sentSinceLast(), std::vector<MidiBytes> { cc (81, 64) });
    EXPECT_EQ (getCc (&s, 81, true), 64);
}

TEST_F (FmPage, PairsShareTheirDecayCc)
{
    struct Pair { int modulatorDecay1; int carrierDecay2; int cc; };
    for (const Pair p : { Pair { 4, 13, 54 }, Pair { 18, 27, 79 }, Pair { 32, 41, 110 } })
    {
        SCOPED_TRACE (p.cc);
        SoundRecord s = fmSound();
        setCc (&s, p.cc, 33, true);
        FmPanel page;
        page.setSound (&s);
        sentSinceLast();
        EXPECT_EQ (page.bars[p.modulatorDecay1]->getValue(), 33);
        EXPECT_EQ (page.bars[p.carrierDecay2]->getValue(), 33);

        page.bars[p.carrierDecay2]->setValue (40, juce::sendNotificationSync);
        page.bars[p.modulatorDecay1]->setValue (41, juce::sendNotificationSync);
        EXPECT_EQ (sentSinceLast(), (std::vector<MidiBytes> { cc (p.cc, 40), cc (p.cc, 41) }));
        EXPECT_EQ (getCc (&s, p.cc, true), 41);
    }
}

TEST_F (FmPage, ABarFollowsItsPartnerOnTheSharedCcWithoutSending)
{
    // Modulator "Decay 1" and carrier "Decay rate 2" of each pair: bars 4 and 13 on CC 54, 18
    // and 27 on CC 79, 32 and 41 on CC 110.
    struct Pair { int moved, partner, cc; };
    for (const Pair p : { Pair { 4, 13, 54 }, Pair { 13, 4, 54 }, Pair { 18, 27, 79 }, Pair { 27, 18, 79 },
                          Pair { 32, 41, 110 }, Pair { 41, 32, 110 } })
    {
        SCOPED_TRACE (testing::Message() << "bar " << p.moved << " moved, CC " << p.cc);
        SoundRecord s = fmSound();
        setCc (&s, p.cc, 50, true);
        FmPanel page;
        page.setSound (&s);
        sentSinceLast();

        page.bars[p.moved]->setValue (100, juce::sendNotificationSync);
        EXPECT_EQ (sentSinceLast(), std::vector<MidiBytes> { cc (p.cc, 100) });
        EXPECT_EQ (page.bars[p.partner]->getValue(), 100);

        // The partner's next step goes on from there, not from its stale 50.
        page.bars[p.partner]->setValue (101, juce::sendNotificationSync);
        EXPECT_EQ (sentSinceLast(), std::vector<MidiBytes> { cc (p.cc, 101) });
        EXPECT_EQ (page.bars[p.moved]->getValue(), 101);
        EXPECT_EQ (getCc (&s, p.cc, true), 101);
    }
}

TEST_F (FmPage, BarsOutsideThePageAreIgnored)
{
    FmPanel page;
    FmSlider stray;
    stray.index = 42;
    stray.setRange (0, 127, 1);
    stray.setValue (5, juce::dontSendNotification);
    page.sliderValueChanged (&stray);
    EXPECT_TRUE (sentSinceLast().empty());
}
