#include <cstring>
#include "editor/SamplePanel.h"
#include "sound/CcConversion.h"
#include "tests/pages/PageFixture.h"

using SamplePage = PageTest;

TEST_F (SamplePage, LoadShowsTheSampleAndSendsItOnce)
{
    SoundRecord s = makeSound();
    s[SoundRecord::sampleNumber] = 3;
    SamplePanel page;
    page.setSound (&s);

    EXPECT_EQ (sentSinceLast(), std::vector<MidiBytes> { cc (70, 3) });
    EXPECT_EQ (page.samples.getText(), "Clavinet B");
    EXPECT_EQ (getCc (&s, 70, true), 3);

    page.setSound (&s);
    EXPECT_TRUE (sentSinceLast().empty());
}

TEST_F (SamplePage, ChoiceIsSentAndStored)
{
    SoundRecord s = makeSound();
    SamplePanel page;
    page.setSound (&s);
    sentSinceLast();

    page.samples.setSelectedId (10, juce::sendNotificationSync);   // "Upright Piano"
    EXPECT_EQ (sentSinceLast(), std::vector<MidiBytes> { cc (70, 9) });
    EXPECT_EQ (getCc (&s, 70, true), 9);
    EXPECT_EQ (s[SoundRecord::sampleNumber], 9u);
}

TEST_F (SamplePage, SampleNumberPastTheLastShowsNothingAndSendsNothing)
{
    for (uint32_t number : { 10u, 127u, 0xFFFFFFFFu })
    {
        SCOPED_TRACE (number);
        SoundRecord s = makeSound();
        s[SoundRecord::sampleNumber] = number;
        SamplePanel page;
        page.setSound (&s);
        EXPECT_TRUE (sentSinceLast().empty());
        EXPECT_EQ (page.samples.getSelectedId(), 0);
        EXPECT_TRUE (page.samples.getText().isEmpty());
    }
}

TEST_F (SamplePage, UnloadedPageShowsAChoiceButSendsNothing)
{
    SamplePanel page;
    page.samples.setSelectedId (2, juce::sendNotificationSync);
    EXPECT_TRUE (sentSinceLast().empty());
    EXPECT_EQ (page.samples.getText(), "Electric Grand");
}
