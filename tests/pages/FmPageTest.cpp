#include <cstring>
#include <memory>
#include "controls/FmSlider.h"
#include "editor/FmPanel.h"
#include "sound/CcConversion.h"
#include "tests/pages/PageFixture.h"

namespace
{
    // Every bar's CC at 1 + (its first bar's number), i.e. 1..42, none at 0.
    SoundRecord fmSound()
    {
        SoundRecord s = makeSound();
        for (int k = FmPanel::numBars - 1; k >= 0; --k)
            setCc (&s, fmCcNumbers[k], 1 + k, true);
        return s;
    }
}

using FmPage = PageTest;

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
                EXPECT_EQ (page.bars[k]->getValue(), getCc (&s, fmCcNumbers[k], true)) << "bar " << k;

        // The user's first moves, on bars loaded with 0 and with other values alike.
        for (int k : { 0, 1, 16, 40, 35 })
        {
            page.bars[k]->setValue (77, juce::sendNotificationSync);
            EXPECT_EQ (sentSinceLast(), std::vector<MidiBytes> { cc (fmCcNumbers[k], 77) }) << "bar " << k;
            if (c.loaded)
                EXPECT_EQ (getCc (&s, fmCcNumbers[k], true), 77) << "bar " << k;
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
