// What the four pages share: the sound they edit stays the current user sound while the user list
// changes under them, and their background rule.
#include <cstring>
#include <functional>
#include <memory>
#include "app/InstrumentLink.h"
#include "controls/FmSlider.h"
#include "controls/zbutton.h"
#include "controls/zpot.h"
#include "editor/EditPanel.h"
#include "editor/FmPanel.h"
#include "editor/FxPanel.h"
#include "editor/SamplePanel.h"
#include "sound/CcConversion.h"
#include "tests/pages/PageFixture.h"

namespace
{
    struct PageCase
    {
        const char* name;
        std::function<std::unique_ptr<juce::Component>()> make;
        std::function<void (juce::Component&, SoundRecord*)> load;
        std::function<void (juce::Component&, int)> edit;   // a user edit; each n a new value
        std::function<bool (SoundRecord&)> holdsEdit;
    };

    const PageCase pageCases[] = {
        { "Model", [] { return std::make_unique<EditPanel>(); },
          [] (juce::Component& p, SoundRecord* s) { static_cast<EditPanel&> (p).setSound (s); },
          [] (juce::Component& p, int n) { static_cast<EditPanel&> (p).knobs[0]->setValue (77 + n, juce::sendNotificationSync); },
          [] (SoundRecord& s) { return getCc (&s, 32, true) == 77; } },
        { "FM", [] { return std::make_unique<FmPanel>(); },
          [] (juce::Component& p, SoundRecord* s) { static_cast<FmPanel&> (p).setSound (s); },
          [] (juce::Component& p, int n) { static_cast<FmPanel&> (p).bars[23]->setValue (64 + n, juce::sendNotificationSync); },
          [] (SoundRecord& s) { return getCc (&s, 81, true) == 64; } },
        { "Sample", [] { return std::make_unique<SamplePanel>(); },
          [] (juce::Component& p, SoundRecord* s) { static_cast<SamplePanel&> (p).setSound (s); },
          [] (juce::Component& p, int n) { static_cast<SamplePanel&> (p).samples.setSelectedId (8 + n, juce::sendNotificationSync); },
          [] (SoundRecord& s) { return getCc (&s, 70, true) == 7; } },
        { "Effects", [] { return std::make_unique<FxPanel>(); },
          [] (juce::Component& p, SoundRecord* s) { static_cast<FxPanel&> (p).setSound (s); },
          [] (juce::Component& p, int n) { static_cast<FxPanel&> (p).buttons[6]->setToggleState (n == 0, juce::sendNotificationSync); },
          [] (SoundRecord& s) { return (s[SoundRecord::effectMask] & (16u << 2)) != 0; } },
    };
}

using Pages = PageTest;

TEST_F (Pages, EditsReachTheCurrentSoundAfterTheUserListMoves)
{
    auto& list = main->userSounds;
    for (const auto& c : pageCases)
    {
        SCOPED_TRACE (c.name);
        {
            const juce::ScopedLock sl (userSoundsLock);
            for (auto& r : list.records)
                r.setSelected (false);
            list[5].setSelected (true);
        }
        const juce::String name (list[5].nameText());

        auto page = c.make();
        main->addAndMakeVisible (*page);
        c.load (*page, &list[5]);
        pumpMessageLoop (40);

        // A received dump appends (the storage moves), then a sound before it is erased (the
        // current sound shifts down by one).
        {
            const juce::ScopedLock sl (userSoundsLock);
            const auto capacity = list.records.capacity();
            while (list.records.capacity() == capacity)
                list.append (list[0]);
            list.records.erase (list.records.begin());
        }
        const std::vector<SoundRecord> others (list.records.begin(), list.records.end());

        c.edit (*page, 0);
        pumpMessageLoop (40);

        EXPECT_EQ (juce::String (list[4].nameText()), name);
        EXPECT_TRUE (c.holdsEdit (list[4]));
        for (int i = 0; i < list.size(); ++i)
            if (i != 4)
                EXPECT_EQ (std::memcmp (&list[i], &others[static_cast<size_t> (i)], sizeof (SoundRecord)), 0) << "record " << i;

        // With no sound selected any more, the edit is stored nowhere.
        {
            const juce::ScopedLock sl (userSoundsLock);
            list[4].setSelected (false);
        }
        const std::vector<SoundRecord> unselected (list.records.begin(), list.records.end());
        c.edit (*page, 1);
        pumpMessageLoop (40);
        for (int i = 0; i < list.size(); ++i)
            EXPECT_EQ (std::memcmp (&list[i], &unselected[static_cast<size_t> (i)], sizeof (SoundRecord)), 0) << "record " << i;

        main->removeChildComponent (page.get());
    }
}

TEST_F (Pages, WithoutABackgroundModelAndFmFillAndTheOthersDrawNothing)
{
    struct Case { const char* name; std::function<void (juce::Graphics&)> paint; juce::uint32 pixel; };
    EditPanel model;
    FmPanel fm;
    SamplePanel sample;
    FxPanel fx;
    model.background = fm.background = sample.background = fx.background = juce::Image();
    const Case cases[] = {
        { "Model", [&] (juce::Graphics& g) { model.paint (g); }, 0xFF202020 },
        { "FM", [&] (juce::Graphics& g) { fm.paint (g); }, 0xFF202020 },
        { "Sample", [&] (juce::Graphics& g) { sample.paint (g); }, 0x00000000 },
        { "Effects", [&] (juce::Graphics& g) { fx.paint (g); }, 0x00000000 },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        juce::Image image (juce::Image::ARGB, 40, 40, true);
        {
            juce::Graphics g (image);
            c.paint (g);
        }
        EXPECT_EQ (image.getPixelAt (20, 20).getARGB(), c.pixel);
    }
}
