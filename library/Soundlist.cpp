#include "library/Soundlist.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "app/FileDialogs.h"
#include "app/FileFailureBox.h"
#include "app/InstrumentLink.h"
#include "library/SoundListEditing.h"
#include "library/SoundPanel.h"
#include "library/flt.h"
#include "sound/SoundFile.h"
#include "sound/SoundRecord.h"

namespace
{
const juce::uint32 rowFills[4] = { 0x0AFFFFFF, 0x40000000, 0xFFEFD531, 0xE4EFD531 };
const juce::uint32 textColour = 0xFFD9D6CC;
const juce::uint32 boxOutline = 0xFF806040;
const char* const fileExtensions = "mid;MID;xls;XLS;KSX;ksx";
constexpr int nameLength = 18;

juce::String recordName (const SoundRecord& r)
{
    const char* text = r.nameText();
    size_t n = 0;
    while (n < 31 && text[n] != 0)
        ++n;
    return juce::String::fromUTF8 (text, static_cast<int> (n));
}

void drawEngineBox (juce::Graphics& g, int x, int height, int engine, bool selected)
{
    static const char* const letters[4] = { "M", "S", "F", "F" };
    static const juce::uint32 fills[4] = { 0xFF202020, 0xFFDFDFD0, 0xFF604830, 0xFF604830 };
    static const juce::uint32 letterColours[4] = { textColour, 0xFF202020, textColour, textColour };

    const int e = engine & 3;
    g.setColour (juce::Colour (fills[e] + (selected ? 0x00101000u : 0u)));
    g.fillRect (x, 0, 16, height);
    g.setColour (juce::Colour (boxOutline));
    g.drawRect (x, 0, 16, height, 1);
    g.setColour (juce::Colour (letterColours[e]));
    g.drawText (letters[e], x, 0, 16, height, juce::Justification::centred, false);
}

// Every change of the user list's records is made under the lock the MIDI thread takes to write a
// received CC into the current sound; the library is the message thread's alone.
struct UserListGuard
{
    explicit UserListGuard (const SoundVector* v) : lock (v != nullptr && v->isUserList != 0)
    {
        if (lock)
            userSoundsLock.enter();
    }
    ~UserListGuard()
    {
        if (lock)
            userSoundsLock.exit();
    }
    const bool lock;
};

// The rows that a drag description names (ascending, each once), as getDragSourceDescription
// writes them; none when the description names anything that is not a row of a list of `size`.
std::vector<int> draggedRows (const juce::var& description, int size)
{
    juce::StringArray tokens;
    if (description.isArray())
    {
        for (const auto& v : *description.getArray())
            tokens.add (v.toString());
    }
    else
    {
        tokens.addTokens (description.toString(), " ", {});
        tokens.removeEmptyStrings();
    }

    std::vector<int> rows;
    for (const auto& t : tokens)
    {
        if (! t.containsOnly ("0123456789") || t.length() > 9)
            return {};
        const int row = t.getIntValue();
        if (row >= size)
            return {};
        rows.push_back (row);
    }
    std::sort (rows.begin(), rows.end());
    rows.erase (std::unique (rows.begin(), rows.end()), rows.end());
    return rows;
}

// copyIntoLayer asks the content page to refresh, and that refresh may send CC 73: it must not
// run while the user list is locked. The guard holds the request back and lets it go afterwards.
struct HeldPageRefresh
{
    HeldPageRefresh() : saved (contentPageRefreshHook) { contentPageRefreshHook = &note; requested = false; }
    ~HeldPageRefresh() { contentPageRefreshHook = saved; }
    void release() const
    {
        if (requested && saved != nullptr)
            saved();
    }
    static void note() { requested = true; }
    static inline bool requested = false;
    ContentPageRefreshHook saved;
};
}

Soundlist::Soundlist()
    : juce::ListBox ("soundlistbox", nullptr),
      sounds (nullptr),
      numRows (1),
      renameRequested (0),
      renameRow (0),
      editorLabel (nullptr),
      isDeviceList (false)
{
    setModel (this);
    setMultipleSelectionEnabled (true);
    setRowHeight (16);
    setColour (juce::ListBox::backgroundColourId, juce::Colour (0x00000000));
    updateContent();
}

Soundlist::~Soundlist()
{
    // The rows (and a rename label in one of them) go with the list box; the vector is not ours.
    editorLabel = nullptr;
}

void Soundlist::setSoundVector (SoundVector* v)
{
    sounds = v;
    refresh();
}

void Soundlist::refresh (bool sendSound)
{
    if (sounds == nullptr)
        return;

    numRows = sounds->size();
    const int before = sounds->findCurrent();

    int run = 0;
    if (before >= 0)
        while (before + run + 1 < numRows && (*sounds)[before + run + 1].isSelected())
            ++run;

    juce::SparseSet<int> wanted;
    if (before >= 0)
        wanted.addRange ({ before, before + run + 1 });

    const juce::ScopedValueSetter<bool> holdSend (holdingSend, ! sendSound);

    // The list box clamps a selection to the row count it knows, so it learns the new count
    // before the selection is restored; otherwise appended records would lose their selection.
    updateContent();
    if (getSelectedRows() == wanted)
    {
        // Nothing to restore: deselecting and selecting again would give up a rename that is
        // being typed. The records and the content page follow the selection all the same.
        followSelection();
    }
    else
    {
        deselectAllRows();
        if (before >= 0)
            selectRangeOfRows (before, before + run);
    }
    updateContent();

    // The records may have changed under rows whose number and selection stayed the same, and
    // the list box redraws only rows whose number or selection changed.
    repaint();

    const int after = sounds->findCurrent();
    if (after != before && isDeviceList && after >= 0)
        selectSound (after);
}

void Soundlist::followSelection()
{
    if (sounds == nullptr)
        return;

    // Every record follows the list's selection, also those out of view, so that a drop, a move
    // or a copy acts on exactly what the user sees selected.
    const int n = sounds->size();
    for (int i = 0; i < n; ++i)
        (*sounds)[i].setSelected (isRowSelected (i));

    const int current = sounds->findCurrent();
    if (isDeviceList && current >= 0)
        selectSound (current);
}

void Soundlist::selectSound (int index)
{
    SoundRecord* const record = &(*sounds)[index];
    if (! holdingSend)
    {
        soundSelected (record);
        return;
    }
    // The caller sends the sound itself; the content page shows it now, so that its own refresh
    // finds the layer mix it already shows and sends no CC 73 for it.
    if (auto* page = findParentComponentOfClass<SoundPanel>())
        page->setSound (record);
}

void Soundlist::paint (juce::Graphics&)
{
    // No background: the page shows through between the rows.
}

juce::String Soundlist::rowText (int row) const
{
    if (sounds == nullptr)
        return "element" + juce::String (row);
    if (row < 0 || row >= sounds->size())
        return {};

    const juce::String name = recordName ((*sounds)[row]);

    if (! isDeviceList)
        return juce::String (row + 1) + " " + name;
    if (row < 28)
        return juce::String::charToString ("PABCD"[row / 7]) + juce::String (row % 7 + 1) + " " + name;
    return "X" + juce::String (row - 27) + " " + name;
}

int Soundlist::getNumRows()
{
    return numRows;
}

void Soundlist::paintListBoxItem (int row, juce::Graphics& g, int width, int height, bool selected)
{
    // The MIDI thread writes received CCs (the engine, the layer mix) into the current user sound:
    // what the row shows is taken under the lock, and drawn after it.
    bool hasRecord;
    juce::String text;
    juce::uint32 engine = 0, layerEngine = 0, layerMix = 0;
    {
        const UserListGuard guard (sounds);
        hasRecord = sounds != nullptr && row >= 0 && row < sounds->size();
        if (sounds == nullptr || hasRecord)
            text = rowText (row);
        if (hasRecord)
        {
            const SoundRecord& r = (*sounds)[row];
            engine = r[SoundRecord::engineType];
            layerEngine = r[SoundRecord::layerEngineType];
            layerMix = r[SoundRecord::layerMix];
        }
    }

    g.fillAll (juce::Colour (rowFills[(row & 1) + (selected ? 2 : 0)]));

    if (sounds != nullptr && ! hasRecord)
        return;

    g.setColour (juce::Colour (selected ? 0xFF000000 : textColour));
    g.setFont (juce::Font (13.0f, juce::Font::plain));
    g.drawText (text, 3, 0, width, height, juce::Justification::centredLeft, true);

    if (! hasRecord)
        return;

    drawEngineBox (g, width - 32, height, static_cast<int> (engine), selected);
    if (layerMix != 0 && layerEngine <= 2)
        drawEngineBox (g, width - 16, height, static_cast<int> (layerEngine), selected);

    g.setColour (juce::Colour (selected ? 0xFF000000 : textColour));
    if (sounds->isUserList != 0 && row == sounds->dropRow)
    {
        if (sounds->dropX >= width - 16)
        {
            sounds->dropOnLayer = 1;
            g.drawRect (width - 16, 0, 16, height, 1);
        }
        else
        {
            sounds->dropOnLayer = 0;
            g.drawRect (0, 0, width - 16, height, 1);
        }
    }
}

juce::Component* Soundlist::refreshComponentForRow (int row, bool selected, juce::Component* existing)
{
    const bool hasRecord = sounds != nullptr && row >= 0 && row < sounds->size();

    if (hasRecord)
        (*sounds)[row].setSelected (selected);

    if (hasRecord && renameRequested != 0 && selected && row == renameRow)
    {
        // An update while the name is being typed keeps the field and what was typed.
        if (existing != nullptr && existing == editorLabel && editorLabel->isBeingEdited())
            return existing;
    }

    // The field opens only for the double click itself: a rename that has ended never comes back
    // with a later update of its row.
    if (hasRecord && openingRename && renameRequested != 0 && selected && row == renameRow)
    {
        if (existing == editorLabel)
            editorLabel = nullptr;
        delete existing;

        auto* label = new juce::Label ("editor", recordName ((*sounds)[row]));
        label->setEditable (true, true, false);
        label->setColour (juce::Label::backgroundColourId, juce::Colour (0xFFFFC000));
        label->addListener (this);
        // Visible before the row adopts it, so the field's modal state survives the adoption.
        label->setVisible (true);
        editorLabel = label;
        label->showEditor();
        return label;
    }

    if (existing != nullptr && existing == editorLabel)
        editorLabel = nullptr;
    delete existing;
    return nullptr;
}

void Soundlist::editorHidden (juce::Label* label, juce::TextEditor&)
{
    // Return, Escape or a click elsewhere: the rename is over, changed or not (a changed name is
    // stored by labelTextChanged, which follows). The label left in the row takes no click and
    // goes once it has finished closing its editor.
    renameRequested = 0;
    label->setEditable (false, false, false);
    juce::MessageManager::callAsync ([list = juce::Component::SafePointer<Soundlist> (this)]
    {
        if (list != nullptr && (list->editorLabel == nullptr || ! list->editorLabel->isBeingEdited()))
            list->updateContent();
    });
}

void Soundlist::editorShown (juce::Label*, juce::TextEditor& editor)
{
    // Every field that edits a name gets the filter.
    editor.setInputFilter (new flt(), true);
    editor.setCaretPosition (18);
    editor.setSelectAllWhenFocused (true);
    editor.setPopupMenuEnabled (false);
    editor.setCaretVisible (true);
    editor.enterModalState (true, nullptr, false);
}

void Soundlist::listBoxItemDoubleClicked (int row, const juce::MouseEvent&)
{
    renameRequested = 1;
    renameRow = row;
    {
        const juce::ScopedValueSetter<bool> opening (openingRename, true);
        updateContent();
    }

    // The field was opened before its row took it in; now that it is on screen it can take the
    // keyboard focus and hold its modal state.
    if (editorLabel != nullptr)
        if (auto* editor = editorLabel->getCurrentTextEditor())
        {
            if (! editor->isCurrentlyModal (false))
                editor->enterModalState (false, nullptr, false);
            editor->grabKeyboardFocus();
        }
}

void Soundlist::labelTextChanged (juce::Label* label)
{
    if (sounds != nullptr && renameRow >= 0 && renameRow < sounds->size())
    {
        // Only printable 7-bit characters make a name the instrument can hold.
        const juce::String text = (editorLabel != nullptr ? editorLabel : label)->getText();
        const char* in = text.toRawUTF8();
        char name[nameLength + 1];
        int n = 0;
        for (; *in != 0 && n < nameLength; ++in)
            if (flt::keeps (static_cast<unsigned char> (*in)))
                name[n++] = *in;
        name[n] = 0;

        {
            const UserListGuard guard (sounds);
            setSoundName (&(*sounds)[renameRow], name);
        }
        repaintRow (renameRow);
        // The slider's caption shows the current sound's name.
        if (isDeviceList)
            if (auto* page = findParentComponentOfClass<SoundPanel>())
                page->showCaptions();
    }

    renameRequested = 0;
    updateContent();
}

void Soundlist::selectedRowsChanged (int)
{
    renameRequested = 0;
    followSelection();
}

void Soundlist::filesDropped (const juce::StringArray& files, int, int)
{
    if (sounds == nullptr)
        return;

    sounds->dropRow = -1;
    // Each file is read first; the user list's lock is held only while its sounds go in. The
    // paths hold the bytes that the file system names the files by.
    const bool user = sounds->isUserList != 0;
    std::vector<FileFailureBox::Failure> failures;
    for (const auto& text : files)
    {
        const std::string path = pathBytes (text);
        FileProblem problem = FileProblem::none;
        loadSoundFile (sounds, path.c_str(), ! user, user ? &userSoundsLock : nullptr, &problem);
        if (problem != FileProblem::none)
            failures.push_back ({ path, problem });
    }
    refresh();
    FileFailureBox::showLoadFailures (failures);
}

bool Soundlist::isInterestedInFileDrag (const juce::StringArray& files)
{
    if (files.isEmpty())
        return false;
    return juce::File::createFileWithoutCheckingPath (files[0]).hasFileExtension (fileExtensions);
}

bool Soundlist::keyPressed (const juce::KeyPress& key)
{
    if (editorLabel != nullptr && editorLabel->isBeingEdited())
        return true;

    const auto mods = key.getModifiers();
    const bool plain = ! (mods.isShiftDown() || mods.isCtrlDown() || mods.isAltDown());
    const int code = key.getKeyCode();
    bool used = false;

    if (plain && sounds != nullptr)
    {
        if (code == juce::KeyPress::deleteKey || code == juce::KeyPress::backspaceKey)
        {
            if (isDeviceList)
                return false;

            const int first = sounds->findCurrent();
            if (first >= 0)
            {
                int count = 1;
                while (first + count < sounds->size() && (*sounds)[first + count].isSelected())
                    ++count;
                eraseSounds (sounds, first, count);
            }
            refresh();
            used = true;
        }
        else if (code == juce::KeyPress::upKey)
        {
            const int i = sounds->findCurrent();
            if (i <= 0)
                return false;
            if (i + 1 < sounds->size() && (*sounds)[i + 1].isSelected())
                return false;
            (*sounds)[i].setSelected (false);
            (*sounds)[i - 1].setSelected (true);
            refresh();
            used = true;
        }
        else if (code == juce::KeyPress::downKey)
        {
            const int i = sounds->findCurrent();
            if (i < 0)
            {
                if (sounds->size() == 0)
                    return false;
                (*sounds)[0].setSelected (true);
            }
            else
            {
                if (i + 1 >= sounds->size())
                    return false;
                if ((*sounds)[i + 1].isSelected())
                    return false;
                (*sounds)[i].setSelected (false);
                (*sounds)[i + 1].setSelected (true);
            }
            refresh();
            used = true;
        }
    }

    updateContent();
    return used;
}

juce::var Soundlist::getDragSourceDescription (const juce::SparseSet<int>& rows)
{
    dragSourceSounds = sounds;

    juce::String text;
    for (int i = 0; i < rows.size(); ++i)
    {
        if (i > 0)
            text << ' ';
        text << rows[i];
    }
    return text;
}

juce::String Soundlist::getTooltipForRow (int)
{
    // The rows cover the list, and the tooltip window asks the row under the mouse only.
    return getTooltip();
}

bool Soundlist::isInterestedInDragSource (const SourceDetails& details)
{
    return details.description.isString() || details.description.isArray();
}

void Soundlist::updateDrop (const SourceDetails& details)
{
    if (sounds == nullptr)
        return;
    sounds->dropRow = getRowContainingPosition (details.localPosition.x, details.localPosition.y);
    sounds->dropX = details.localPosition.x;
    repaint();
}

void Soundlist::itemDragEnter (const SourceDetails& details)
{
    updateDrop (details);
}

void Soundlist::itemDragMove (const SourceDetails& details)
{
    updateDrop (details);
}

void Soundlist::itemDragExit (const SourceDetails&)
{
    if (sounds != nullptr)
        sounds->dropRow = -1;
    repaint();
}

void Soundlist::itemDropped (const SourceDetails& details)
{
    SoundVector* const source = dragSourceSounds;
    SoundVector* const target = sounds;

    if (source == nullptr || target == nullptr)
        return;

    // Row and layer part come from where the drop landed, not from the last move or paint.
    const int x = details.localPosition.x;
    int r = getRowContainingPosition (x, details.localPosition.y);
    target->dropRow = -1;

    // The drop acts on the rows that were dragged: the selection may have moved since the drag
    // began (a Program Change from the instrument selects another sound). Rows that are gone
    // (deleted meanwhile) leave everything as it is.
    std::vector<int> dragged;
    {
        const UserListGuard guard (source);
        dragged = draggedRows (details.description, source->size());
    }
    if (dragged.empty())
    {
        repaint();
        return;
    }

    if (target->isUserList != 0)
    {
        const bool onLayer = x >= getVisibleRowWidth() - 16;
        target->dropOnLayer = onLayer ? 1 : 0;

        const HeldPageRefresh heldRefresh;
        {
            const UserListGuard guard (target);

            if (! onLayer && source != target)
            {
                // Overwrite from row r on; past the end (or below the last row) the copies are
                // appended.
                if (r < 0)
                    r = target->size();
                for (const int i : dragged)
                {
                    if (r < target->size())
                        (*target)[r] = (*source)[i];
                    else
                        target->append ((*source)[i]);
                    ++r;
                }
            }
            else if (onLayer)
            {
                for (size_t d = 0; d < dragged.size() && r >= 0 && r < target->size(); ++d, ++r)
                {
                    // Within the list the source may be the target itself.
                    const SoundRecord layer = (*source)[dragged[d]];
                    copyIntoLayer (&(*target)[r], &layer);
                }
            }
            else
            {
                // Reorder: the dragged rows go to rows r .. r + k - 1, kept inside the list.
                const int n = target->size();
                const int k = static_cast<int> (dragged.size());
                if (r < 0 || r > n - k)
                    r = n - k;

                // Which places hold a dragged record; the marks travel with the records.
                std::vector<char> moving (static_cast<size_t> (n), 0);
                int next = r;
                for (const int i : dragged)
                {
                    moving[static_cast<size_t> (i)] = 1;
                    (*target)[i].setOrderIndex (next++);
                }

                SoundRecord scratch;
                initSoundRecord (&scratch);
                for (bool swapped = true; swapped;)
                {
                    swapped = false;
                    for (int i = 0; i < n; ++i)
                    {
                        SoundRecord& a = (*target)[i];
                        const int to = a.getOrderIndex();
                        if (moving[static_cast<size_t> (i)] != 0 && to != i)
                        {
                            scratch = a;
                            a = (*target)[to];
                            (*target)[to] = scratch;
                            std::swap (moving[static_cast<size_t> (i)], moving[static_cast<size_t> (to)]);
                            swapped = true;
                        }
                    }
                }
            }
        }
        heldRefresh.release();
    }
    else if (source != target)
    {
        const UserListGuard guard (source);
        appendIfAbsent (target, source, dragged);
    }

    refresh();
    repaint();
}
