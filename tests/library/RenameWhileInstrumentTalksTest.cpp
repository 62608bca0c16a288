// A name being typed in the user list while the instrument talks. The field needs the keyboard
// focus of a real window, so these run alone on the display.
#include <gtest/gtest.h>

#include "tests/library/LibraryFixtures.h"
#include "tests/library/PageFixture.h"

namespace
{
juce::String nameOf (const SoundRecord& r) { return juce::String (r.nameText()).trimEnd(); }

class Lists : public PageFixture {};
} // namespace

TEST_F (Lists, ANameBeingTypedOutlastsARefreshThatKeepsTheSelection)
{
    // User row 3 is being renamed when something arrives from the instrument.
    enum Arrival { dumpForAnotherSlot, dumpForTheEditBuffer, programChangeToAnotherSound };
    const struct { const char* what; Arrival arrival; bool kept; } cases[] = {
        { "a dump for slot 10", dumpForAnotherSlot, true },
        { "a dump for the edit buffer", dumpForTheEditBuffer, true },
        { "a Program Change to slot 10", programChangeToAnotherSound, false },
    };
    showOnDesktop();  // the field takes the keyboard focus
    const auto users = user().records;
    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.what);
        {
            const juce::ScopedLock sl (userSoundsLock);
            user().records = users;
        }
        page().userList.refresh();
        const juce::String was3 = nameOf (user()[3]);
        page().userList.selectRow (3);
        doubleClick (page().userList, 3);
        ASSERT_NE (page().userList.editorLabel, nullptr);
        juce::TextEditor* editor = page().userList.editorLabel->getCurrentTextEditor();
        ASSERT_NE (editor, nullptr);
        editor->grabKeyboardFocus();
        pumpMessageLoop (50);
        ASSERT_TRUE (editor->hasKeyboardFocus (true));
        editor->setText ("Typed Name", false);

        SoundRecord incoming = user()[5];
        setSoundName (&incoming, "From The Kestrane");
        MidiBytes dump (soundDumpLength);
        encodeSoundDump (&incoming, dump.data(), 0);
        switch (c.arrival)
        {
            case dumpForAnotherSlot:
                kestrane->sendSoundDump (10, dump);
                break;
            case dumpForTheEditBuffer:
                kestrane->sendSoundDump (127, dump);
                break;
            case programChangeToAnotherSound:
                kestrane->sendProgramChange (0, 10);
                break;
        }
        ASSERT_TRUE (kestrane->waitUntilIdle());
        main->timerCallback();
        if (c.arrival == dumpForAnotherSlot)
        {
            EXPECT_EQ (nameOf (user()[10]), "From The Kestrane");
        }
        if (c.arrival == dumpForTheEditBuffer)
        {
            EXPECT_EQ (user().size(), 29);
        }

        if (c.kept)
        {
            ASSERT_NE (page().userList.editorLabel, nullptr);
            ASSERT_EQ (page().userList.editorLabel->getCurrentTextEditor(), editor);
            EXPECT_EQ (editor->getText(), "Typed Name");
            editor->keyPressed (juce::KeyPress (juce::KeyPress::returnKey));
        }
        pumpMessageLoop (50);

        EXPECT_EQ (page().userList.editorLabel, nullptr);
        EXPECT_EQ (page().userList.renameRequested, 0);
        EXPECT_EQ (nameOf (user()[3]), c.kept ? juce::String ("Typed Name") : was3);
        for (int i = 0; i < user().size(); ++i)
        {
            if (i != 3)
            {
                EXPECT_NE (nameOf (user()[i]), "Typed Name") << "record " << i;
            }
        }
    }
}
