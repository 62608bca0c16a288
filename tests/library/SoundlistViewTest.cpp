// The list view: row texts and drawing, the selection kept in the records, rename, file drop.
#include <functional>
#include <sys/stat.h>
#include <gtest/gtest.h>

#include "library/flt.h"
#include "sound/SoundDump.h"
#include "sound/SoundFile.h"
#include "tests/library/LibraryFixtures.h"
#include "tests/support/TestSupport.h"

namespace
{
::testing::AssertionResult colourNear (juce::Colour got, juce::uint32 want, int tolerance = 2)
{
    const juce::Colour w (want);
    const int d = std::max ({ std::abs (got.getAlpha() - w.getAlpha()), std::abs (got.getRed() - w.getRed()),
                              std::abs (got.getGreen() - w.getGreen()), std::abs (got.getBlue() - w.getBlue()) });
    if (d <= tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "got " << got.toDisplayString (true) << ", want "
                                         << w.toDisplayString (true);
}
} // namespace

TEST (SoundlistRows, TextNamesSlotsOnTheUserListAndNumbersOnTheLibrary)
{
    SoundVector user = makeList (41, true);
    SoundVector lib = makeList (28, false);
    ListView u (user, true), l (lib, false);
    Soundlist detached;

    const struct { Soundlist* list; int row; const char* text; } cases[] = {
        { &u.list, 0, "P1 s0" },   { &u.list, 6, "P7 s6" },   { &u.list, 7, "A1 s7" },
        { &u.list, 20, "B7 s20" }, { &u.list, 27, "C7 s27" }, { &u.list, 28, "X1 s28" },
        { &u.list, 40, "X13 s40" }, { &u.list, 41, "" },      { &l.list, 0, "1 s0" },
        { &l.list, 27, "28 s27" }, { &l.list, 28, "" },       { &detached, 0, "element0" },
        { &detached, 3, "element3" },
    };
    for (const auto& c : cases)
        EXPECT_EQ (c.list->rowText (c.row), c.text) << "row " << c.row;
    EXPECT_EQ (detached.getNumRows(), 1);
}

TEST (SoundlistRows, FillsTextAndEngineBoxes)
{
    SoundVector v;
    v.isUserList = 1;
    v.append (makeSound ("model", 0));
    v.append (makeSound ("sample", 1));
    v.append (makeSound ("fm", 2));
    v.append (makeSound ("three", 3));
    SoundRecord layered = makeSound ("layered", 0);
    layered[SoundRecord::layerMix] = 40;
    layered[SoundRecord::layerEngineType] = 1;
    v.append (layered);
    layered[SoundRecord::layerEngineType] = 5;
    v.append (layered);
    SoundRecord mixOff = makeSound ("mix off", 0);
    mixOff[SoundRecord::layerEngineType] = 2;
    v.append (mixOff);
    ListView view (v, true);

    // Left edge: row fill only. Engine box interior at (x + 2, 2), outline at (x, 8).
    const struct { int row; bool selected; juce::uint32 fill, box, layerBox; } cases[] = {
        { 0, false, 0x0AFFFFFF, 0xFF202020, 0x0AFFFFFF },
        { 1, false, 0x40000000, 0xFFDFDFD0, 0x40000000 },
        { 2, true,  0xFFEFD531, 0xFF705830, 0xFFEFD531 },
        { 3, true,  0xE4EFD531, 0xFF705830, 0xE4EFD531 },
        { 2, false, 0x0AFFFFFF, 0xFF604830, 0x0AFFFFFF },
        { 4, false, 0x0AFFFFFF, 0xFF202020, 0xFFDFDFD0 },  // a Sample second layer
        { 5, false, 0x40000000, 0xFF202020, 0x40000000 },  // layer engine 5: no box
        { 6, false, 0x0AFFFFFF, 0xFF202020, 0x0AFFFFFF },  // mix 0: no box
        { 0, true,  0xFFEFD531, 0xFF303020, 0xFFEFD531 },
        { 1, true,  0xE4EFD531, 0xFFEFEFD0, 0xE4EFD531 },
    };
    for (const auto& c : cases)
    {
        const auto img = paintRow (view.list, c.row, c.selected);
        EXPECT_TRUE (colourNear (img.getPixelAt (1, 1), c.fill)) << "row " << c.row;
        EXPECT_TRUE (colourNear (img.getPixelAt (238 - 32 + 2, 2), c.box)) << "row " << c.row;
        EXPECT_TRUE (colourNear (img.getPixelAt (238 - 32, 8), 0xFF806040)) << "row " << c.row;
        EXPECT_TRUE (colourNear (img.getPixelAt (238 - 16 + 2, 2), c.layerBox)) << "row " << c.row;
    }

    // The name is drawn black on a selected row and in the text colour otherwise.
    auto darkest = [] (const juce::Image& img)
    {
        float least = 2.0f;
        for (int x = 3; x < 60; ++x)
            for (int y = 0; y < 16; ++y)
                least = std::min (least, img.getPixelAt (x, y).getBrightness());
        return least;
    };
    auto brightest = [] (const juce::Image& img)
    {
        int most = 0;
        for (int x = 3; x < 60; ++x)
            for (int y = 0; y < 16; ++y)
                most = std::max (most, (int) img.getPixelAt (x, y).getRed());
        return most;
    };
    EXPECT_LT (darkest (paintRow (view.list, 0, true)), 0.2f);
    EXPECT_GT (brightest (paintRow (view.list, 1, false)), 0xC0);
}

TEST (SoundlistRows, RowsPastTheEndShowOnlyTheFill)
{
    SoundVector v = makeList (2, true);
    ListView view (v, true);
    const auto img = paintRow (view.list, 5, false);
    for (int x = 0; x < 238; x += 7)
        for (int y = 0; y < 16; y += 3)
            ASSERT_TRUE (colourNear (img.getPixelAt (x, y), 0x40000000)) << x << "," << y;
}

TEST (SoundlistRows, DropMarkerOnTheUserListDecidesTheLayerPart)
{
    SoundVector user = makeList (3, true);
    SoundVector lib = makeList (3, false);
    ListView u (user, true), l (lib, false);
    const juce::uint32 marker = 0xFFD9D6CC;

    user.dropRow = 1;
    user.dropX = 238 - 17;
    auto img = paintRow (u.list, 1, false);
    EXPECT_EQ (user.dropOnLayer, 0);
    EXPECT_TRUE (colourNear (img.getPixelAt (0, 8), marker));
    EXPECT_TRUE (colourNear (img.getPixelAt (238 - 16 + 2, 0), 0x40000000));

    user.dropX = 238 - 16;
    img = paintRow (u.list, 1, false);
    EXPECT_EQ (user.dropOnLayer, 1);
    EXPECT_TRUE (colourNear (img.getPixelAt (0, 8), 0x40000000));
    EXPECT_TRUE (colourNear (img.getPixelAt (238 - 16 + 2, 0), marker));

    // Another row, or the library, gets no marker and leaves the flag alone.
    img = paintRow (u.list, 2, false);
    EXPECT_TRUE (colourNear (img.getPixelAt (0, 8), 0x0AFFFFFF));
    lib.dropRow = 1;
    lib.dropX = 0;
    lib.dropOnLayer = 1;
    img = paintRow (l.list, 1, false);
    EXPECT_EQ (lib.dropOnLayer, 1);
    EXPECT_TRUE (colourNear (img.getPixelAt (0, 8), 0x40000000));
}

TEST (SoundlistSelection, FindCurrentIsTheFirstSelectedRecord)
{
    SoundVector empty;
    empty.current = 7;
    EXPECT_EQ (empty.findCurrent(), -1);
    EXPECT_EQ (empty.current, 7);

    SoundVector v = makeList (12, true);
    for (int i : { 3, 4, 9 })
        v[i].setSelected (true);
    EXPECT_EQ (v.findCurrent(), 3);
    EXPECT_EQ (v.current, 3);
}

TEST (SoundlistSelection, RefreshRestoresTheFirstRunAndTheRecordsFollowIt)
{
    SoundVector v = makeList (12, false);
    ListView view (v, false);
    for (int i : { 5, 6, 7, 9 })
        v[i].setSelected (true);

    view.list.refresh();

    EXPECT_EQ (view.list.getNumSelectedRows(), 3);
    for (int r : { 5, 6, 7 })
        EXPECT_TRUE (view.list.isRowSelected (r));
    // The record after the gap is not shown selected, so it must not act selected either.
    EXPECT_EQ (selectedIndices (v), (std::vector<int> { 5, 6, 7 }));
    EXPECT_EQ (v.current, 5);
}

TEST (SoundlistSelection, AppendedSelectedRecordsAreSelectedByTheRefresh)
{
    SoundVector v = makeList (28, true);
    ListView view (v, true);
    view.select ({ 26, 27 });
    SoundRecord extra = makeSound ("extra");
    extra.setSelected (true);
    v.append (extra);

    view.list.refresh();

    EXPECT_EQ (view.list.getNumRows(), 29);
    EXPECT_TRUE (view.list.isRowSelected (28));
    EXPECT_EQ (selectedIndices (v), (std::vector<int> { 26, 27, 28 }));
}

TEST (SoundlistSelection, RecordsOutOfViewFollowTheListsSelection)
{
    SoundVector v = makeList (60, false);
    ListView view (v, false);  // 28 rows in view
    view.select ({ 2 });
    v[50].setSelected (true);  // a stale flag on a row out of view

    view.list.selectRow (3);

    EXPECT_EQ (selectedIndices (v), (std::vector<int> { 3 }));
}

TEST (SoundlistRename, FilterKeepsPrintableSevenBitBytesOfTheFirstThirty)
{
    flt filter;
    juce::TextEditor editor;
    const juce::String twoByte = juce::String::fromUTF8 ("\xc3\xa9");
    juce::String twenty;
    for (int i = 0; i < 20; ++i)
        twenty += twoByte;

    const struct { juce::String in, out; } cases[] = {
        { "Tines" + twoByte, "Tines" },
        { juce::String::repeatedString ("a", 40), juce::String::repeatedString ("a", 30) },
        { twenty + "abc", "" },
        { "ab" + twoByte + "cd", "abcd" },
        { juce::String::fromUTF8 ("\xe2\x82\xac") + "x", "x" },
        { "", "" },
        // Control characters, DEL among them, are no part of a name.
        { "a\x7f" "b", "ab" },
        { "\x7f", "" },
        { "Tab\there", "Tabhere" },
        { "~ !", "~ !" },
    };
    for (const auto& c : cases)
        EXPECT_EQ (filter.filterNewText (editor, c.in), c.out) << c.in;
}

namespace
{
// A user list with row 1 selected and renamed by a double click.
struct RenameFixture : ::testing::Test
{
    RenameFixture() : v (makeList (4, true)), view (v, true)
    {
        view.select ({ 1 });
        doubleClick (view.list, 1);
    }

    juce::TextEditor* editor() const
    {
        return view.list.editorLabel != nullptr ? view.list.editorLabel->getCurrentTextEditor() : nullptr;
    }

    static bool filtered (juce::TextEditor* e)
    {
        return e != nullptr && dynamic_cast<flt*> (e->getInputFilter()) != nullptr;
    }

    SoundVector v;
    ListView view;
};
} // namespace

TEST_F (RenameFixture, ReturnStoresTheNameAndRemovesTheField)
{
    ASSERT_NE (view.list.editorLabel, nullptr);
    EXPECT_EQ (view.list.editorLabel->getText(), "s1");
    ASSERT_TRUE (filtered (editor()));

    editor()->setText ("Warm Tines", false);
    editor()->keyPressed (juce::KeyPress (juce::KeyPress::returnKey));
    pumpMessageLoop (50);

    EXPECT_STREQ (v[1].nameText(), "Warm Tines");
    EXPECT_EQ (view.list.editorLabel, nullptr);
    EXPECT_EQ (view.list.renameRequested, 0);
    EXPECT_EQ (namesOf (v), (std::vector<std::string> { "s0", "Warm Tines", "s2", "s3" }));
}

TEST_F (RenameFixture, TypedKeysGoThroughTheFilterIntoTheName)
{
    ASSERT_NE (editor(), nullptr);
    editor()->setText ({}, false);
    for (const char* typed : { "E", "\x7f", "P", "\t", "-", "1" })
        editor()->insertTextAtCaret (typed);
    editor()->keyPressed (juce::KeyPress (juce::KeyPress::returnKey));
    pumpMessageLoop (50);
    EXPECT_STREQ (v[1].nameText(), "EP-1");
}

TEST_F (RenameFixture, ARenameThatEndedNeverComesBack)
{
    enum Ending { escape, returnUnchanged, clickElsewhere };
    const struct { const char* what; Ending ending; } endings[] = {
        { "Escape", escape },
        { "Return with the name unchanged", returnUnchanged },
        { "a click elsewhere", clickElsewhere },
    };
    for (const auto& e : endings)
    {
        SCOPED_TRACE (e.what);
        view.select ({ 1 });
        doubleClick (view.list, 1);
        ASSERT_NE (editor(), nullptr);

        switch (e.ending)
        {
            case escape:
                editor()->setText ("Discarded", false);
                editor()->keyPressed (juce::KeyPress (juce::KeyPress::escapeKey));
                break;
            case returnUnchanged:
                editor()->keyPressed (juce::KeyPress (juce::KeyPress::returnKey));
                break;
            case clickElsewhere:
                // What JUCE does with a click outside the open field.
                ASSERT_NE (juce::Component::getCurrentlyModalComponent(), nullptr);
                juce::Component::getCurrentlyModalComponent()->inputAttemptWhenModal();
                break;
        }
        pumpMessageLoop (50);
        EXPECT_STREQ (v[1].nameText(), "s1");

        // Updates that keep the selection, and a Ctrl-click that adds a row to it.
        const std::pair<const char*, std::function<void()>> laterUpdates[] = {
            { "the end of the rename", [] {} },
            { "a refresh", [this] { view.list.refresh(); } },
            { "an update of the rows", [this] { view.list.updateContent(); } },
            { "a Ctrl-click on row 2", [this] { view.list.selectRowsBasedOnModifierKeys (2, juce::ModifierKeys::ctrlModifier, false); } },
            { "another refresh", [this] { view.list.refresh(); } },
        };
        for (const auto& [after, update] : laterUpdates)
        {
            update();
            pumpMessageLoop (20);
            EXPECT_EQ (view.list.editorLabel, nullptr) << "after " << after;
            EXPECT_EQ (view.list.renameRequested, 0) << "after " << after;
            EXPECT_EQ (juce::Component::getCurrentlyModalComponent(), nullptr) << "after " << after;
        }
    }
}

TEST_F (RenameFixture, TheStoredNameIsSevenBitAndAtMostEighteenCharacters)
{
    // Whatever reaches the label, also bypassing the field's filter.
    ASSERT_NE (view.list.editorLabel, nullptr);
    view.list.editorLabel->hideEditor (true);
    view.list.editorLabel->setText (juce::String::fromUTF8 ("Gr\xc3\xa4nd Pi\x7f" "ano with a long tail"),
                                    juce::sendNotificationSync);

    EXPECT_STREQ (v[1].nameText(), "Grnd Piano with a ");
    for (const char* p = v[1].nameText(); *p != 0; ++p)
        EXPECT_TRUE (*p >= 0x20 && *p < 0x7F) << (int) *p;
}

TEST (SoundlistRename, ASelectionChangeGivesUpTheRename)
{
    SoundVector v = makeList (4, false);
    ListView view (v, false);
    view.select ({ 1 });
    doubleClick (view.list, 1);
    ASSERT_NE (view.list.editorLabel, nullptr);

    view.list.selectRow (2);

    EXPECT_EQ (view.list.renameRequested, 0);
    EXPECT_EQ (view.list.editorLabel, nullptr);
    EXPECT_STREQ (v[1].nameText(), "s1");
}

namespace
{
struct FileDropFixture : ::testing::Test
{
    FileDropFixture()
    {
        dir = juce::File::getSpecialLocation (juce::File::tempDirectory)
                  .getChildFile ("ke-library-test-" + juce::String (juce::Random::getSystemRandom().nextInt64()));
        dir.createDirectory();
    }
    ~FileDropFixture() override { dir.deleteRecursively(); }

    juce::String writeFile (const char* fileName, SoundVector v)
    {
        const auto path = dir.getChildFile (fileName).getFullPathName();
        EXPECT_EQ (saveSoundFile (&v, path.toRawUTF8()), v.size() * soundDumpLength);
        return path;
    }

    static std::vector<std::string> trimmedNamesOf (const SoundVector& v)
    {
        std::vector<std::string> names;
        for (const auto& r : v.records)
            names.push_back (juce::String (r.nameText()).trimEnd().toStdString());
        return names;
    }

    juce::File dir;
};
} // namespace

TEST (SoundlistFileDrop, AcceptanceLooksAtTheFirstPathsExtension)
{
    Soundlist list;
    const struct { juce::StringArray files; bool accepted; } cases[] = {
        { { "/x/a.MID" }, true },
        { { "/x/a.ksx" }, true },
        { { "/x/a.Xls" }, true },
        { { "/x/a.kSx", "/x/b.txt" }, true },
        { { "/x/a.txt", "/x/b.ksx" }, false },
        { { "/x/a" }, false },
        { { "/x/ksx" }, false },
        { {}, false },
    };
    for (const auto& c : cases)
        EXPECT_EQ (list.isInterestedInFileDrag (c.files), c.accepted) << c.files.joinIntoString (" ");
}

TEST_F (FileDropFixture, OnTheUserListEachFileOverwritesFromTheTop)
{
    const auto first = writeFile ("a.ksx", makeList (3, false, "a"));
    const auto second = writeFile ("b.ksx", makeList (2, false, "b"));
    SoundVector user = makeList (4, true);
    ListView view (user, true);
    user.dropRow = 2;

    view.list.filesDropped ({ first, second }, 0, 0);

    EXPECT_EQ (user.dropRow, -1);
    EXPECT_EQ (trimmedNamesOf (user), (std::vector<std::string> { "b0", "b1", "a2", "s3" }));
    EXPECT_EQ (view.list.getNumRows(), 4);
}

TEST_F (FileDropFixture, OnTheLibraryNewSoundsOfEveryFileAreAppendedInOrder)
{
    const SoundVector a = makeList (2, false, "a");
    SoundVector b = makeList (2, false, "b");
    b[0] = a[1];  // a sound of the first file again
    const auto first = writeFile ("a.ksx", a);
    const auto second = writeFile ("b.txt", b);  // read whatever its extension
    SoundVector lib = makeList (1, false);
    ListView view (lib, false);

    view.list.filesDropped ({ first, second, dir.getChildFile ("missing.ksx").getFullPathName() }, 0, 0);

    EXPECT_EQ (trimmedNamesOf (lib), (std::vector<std::string> { "s0", "a0", "a1", "b1" }));
    EXPECT_EQ (view.list.getNumRows(), 4);
}

// A drop from a file manager names its files in a text/uri-list, percent-encoded; JUCE's X11 drop
// decodes each line as below. A name that is not UTF-8 (and one with a "+") is the file loaded.
TEST_F (FileDropFixture, ANameThatIsNotUtf8IsTheFileDropped)
{
    const std::string folder = dir.getFullPathName().toStdString() + "/Kl\xE4nge";
    ASSERT_EQ (::mkdir (folder.c_str(), 0755), 0);
    const std::string names[] = { folder + "/Sounds \xE9t\xE9.ksx", folder + "/Gig+1.ksx" };
    const char* const lines[] = { "/Kl%E4nge/Sounds%20%E9t%E9.ksx", "/Kl%E4nge/Gig+1.ksx" };
    const char* const prefixes[] = { "e", "p" };
    for (int i = 0; i < 2; ++i)
    {
        SCOPED_TRACE (lines[i]);
        SoundVector sounds = makeList (2, false, prefixes[i]);
        ASSERT_EQ (saveSoundFile (&sounds, names[i].c_str()), 2 * soundDumpLength);
        const juce::String line = "file://" + dir.getFullPathName() + lines[i];
        const auto dropped = juce::URL::removeEscapeChars (line.replace ("+", "%2B").replace ("file://", juce::String(), true));
        SoundVector lib;
        ListView view (lib, false);
        view.list.filesDropped ({ dropped }, 0, 0);
        EXPECT_EQ (trimmedNamesOf (lib), (std::vector<std::string> { std::string (prefixes[i]) + "0", std::string (prefixes[i]) + "1" }));
    }
}

// Files of a drop that cannot be loaded are told in one box, each with its reason; the others load.
TEST_F (FileDropFixture, FilesThatCannotBeLoadedAreToldInOneBox)
{
    const auto good = writeFile ("good.ksx", makeList (1, false, "g"));
    const auto empty = dir.getChildFile ("empty.ksx");
    ASSERT_TRUE (empty.create());
    const auto folder = dir.getChildFile ("folder.ksx");
    ASSERT_TRUE (folder.createDirectory());
    SoundVector lib;
    ListView view (lib, false);
    view.list.filesDropped ({ empty.getFullPathName(), good, folder.getFullPathName() }, 0, 0);
    EXPECT_EQ (trimmedNamesOf (lib), (std::vector<std::string> { "g0" }));

    std::vector<juce::AlertWindow*> boxes;
    auto& desktop = juce::Desktop::getInstance();
    for (int i = 0; i < desktop.getNumComponents(); ++i)
        if (auto* box = dynamic_cast<juce::AlertWindow*> (desktop.getComponent (i));
            box != nullptr && box->isShowing() && box->getDescription().contains ("empty.ksx"))
            boxes.push_back (box);
    ASSERT_EQ (boxes.size(), 1u);
    const auto d = dir.getFullPathName();
    EXPECT_EQ (boxes[0]->getDescription(), "Not loaded. Could not load \"empty.ksx\" in " + d + ": no sound found in it.\n"
                                           "Could not load \"folder.ksx\" in " + d + ": it is a folder.");
    boxes[0]->triggerButtonClick ("OK");
}
