// The handler behind every command button, and the list operations that only it uses.
#include <cstdio>
#include "app/MainContentComponent.h"
#include "app/FileDialogs.h"
#include "app/FileFailureBox.h"
#include "app/TransferDisplay.h"
#include "controls/zbutton.h"
#include "library/SoundListEditing.h"
#include "library/SoundPanel.h"
#include "sound/CcConversion.h"
#include "sound/SoundDump.h"
#include "sound/SoundFile.h"

int moveBlockUp (SoundVector& list, int first, int count)
{
    // A run that is empty or reaches past the end would overwrite a sound with the kept copy.
    if (first < 1 || count < 1 || first + count > list.size())
        return -1;
    const SoundRecord kept = list[first - 1];
    for (int i = first; i < first + count; ++i)
        list[i - 1] = list[i];
    list[first + count - 1] = kept;
    return count;
}

int moveBlockDown (SoundVector& list, int first, int count)
{
    if (first + count >= list.size() || first < 0 || count < 1)
        return -2;
    const SoundRecord kept = list[first + count];
    for (int i = first + count - 1; i >= first; --i)
        list[i + 1] = list[i];
    list[first] = kept;
    return count;
}

void moveSelected (SoundVector& list, int direction)
{
    int first = 0;
    while (first < list.size() && ! list[first].isSelected())
        ++first;
    if (first == list.size())
        return;

    int run = 1;
    while (first + run < list.size() && list[first + run].isSelected())
        ++run;

    if (direction < 0)
        moveBlockUp (list, first, run);
    else
        moveBlockDown (list, first, run);
}

void copySelectedSounds (SoundVector& userList, SoundVector& library)
{
    if (library.size() == 0)
        return;

    auto nextSelectedSlot = [&userList] (int from)
    {
        while (from < userList.size() && ! userList[from].isSelected())
            ++from;
        return from;
    };

    // The i-th selected library sound takes the i-th selected user slot; the rest are appended.
    int d = nextSelectedSlot (0);
    int i = 0;
    for (; i < library.size() && d < userList.size(); ++i)
    {
        if (! library[i].isSelected())
            continue;
        userList[d] = library[i];
        d = nextSelectedSlot (d + 1);
    }
    for (; i < library.size(); ++i)
        if (library[i].isSelected())
            userList.append (library[i]);
}

void MainContentComponent::buttonClicked (juce::Button* button)
{
    const int id = button->getCommandID();
    switch (id)
    {
        case 0: case 1: case 2: case 3:
            runFileCommand (id);
            break;
        case 4:
            requestSounds();
            break;
        case 5:
            dumpSoundset();
            break;
        case 6: case 7:
        {
            {
                const juce::ScopedLock sl (userSoundsLock);
                moveSelected (userSounds, id == 6 ? -1 : 1);
            }
            if (soundPanel != nullptr)
            {
                soundPanel->userList.refresh();
                soundPanel->userList.repaint();
            }
            break;
        }
        case 8:
        {
            {
                const juce::ScopedLock sl (userSoundsLock);
                copySelectedSounds (userSounds, librarySounds);
            }
            if (soundPanel != nullptr)
            {
                soundPanel->userList.refresh();
                soundPanel->userList.repaint();
            }
            break;
        }
        case 9:
        {
            {
                // Reads the user records, which the MIDI thread may be writing.
                const juce::ScopedLock sl (userSoundsLock);
                appendSelectedIfAbsent (&librarySounds, &userSounds);
            }
            if (soundPanel != nullptr)
            {
                soundPanel->libraryList.refresh();
                soundPanel->libraryList.repaint();
            }
            break;
        }
        case 11:
            toggleGlobalDialog();
            break;
        case 12: case 13: case 14:
            // The radio group also reports the page button that it turns off, and does so while
            // it is still walking this component's children: switching pages then would delete
            // a child under it, and would send the sound and build a page for nothing.
            if (button->getClickingTogglesState() && ! button->getToggleState())
                break;
            showPage (id - 12);
            break;
        case 15: case 16: case 17:
            chooseEngine (button, id);
            break;
        case 18:
            showAbout();
            break;
        case 19:
            // Comes back here as command 11 with the button off, which hides the dialog.
            if (globalButton != nullptr)
                globalButton->setToggleState (false, juce::sendNotification);
            break;
        default:
            std::printf ("cmd %d not handled\n", id);
            std::fflush (stdout);
            break;
    }
}

void MainContentComponent::runFileCommand (int id)
{
    static const char* const titles[4] = { "Load K content...", "Save K content...",
                                           "Load K lib...", "Save K lib..." };
    const bool loading = id == 0 || id == 2;
    const bool user = id == 0 || id == 1;

    // The path as the file system's bytes, which need not be UTF-8.
    const std::string path = loading ? fileDialogs().chooseFileToOpen (titles[id], "*.ksx;*.mid")
                                     : fileDialogs().chooseFileToSave (titles[id], "*.ksx");
    if (path.empty())
        return;

    FileProblem problem = FileProblem::none;
    if (user && loading)
    {
        // The file is read first; the lock is held only while its sounds go in.
        loadSoundFile (&userSounds, path.c_str(), false, &userSoundsLock, &problem);
    }
    else if (user)
    {
        // Saving writes the normalised cache back into the records; the file is written after the
        // list is let go, so that a CC from the instrument does not wait for the disk.
        std::vector<uint8_t> bytes;
        try
        {
            const juce::ScopedLock sl (userSoundsLock);
            bytes = encodeSoundFile (&userSounds);
        }
        catch (const std::bad_alloc&)
        {
            problem = FileProblem::noMemory;
        }
        if (problem == FileProblem::none)
            writeSoundFile (bytes, path.c_str(), &problem);
    }
    else if (loading)
        loadSoundFile (&librarySounds, path.c_str(), true, nullptr, &problem);
    else
        saveSoundFile (&librarySounds, path.c_str(), &problem);

    if (loading && soundPanel != nullptr)
        (user ? soundPanel->userList : soundPanel->libraryList).refresh();
    if (problem == FileProblem::none)
        return;
    if (loading)
        FileFailureBox::showLoadFailures ({ { path, problem } });
    else
        FileFailureBox::showSaveFailure ({ path, problem });
}

void MainContentComponent::requestSounds()
{
    static const uint8_t soundRequest[7] = { 0xF0, 0x7D, 0x2B, 0x7F, 0x00, 0x7F, 0xF7 };
    if (transferDisplay != nullptr && (transferDisplay->busy() || closing))
    {
        transferDisplay->refused (TransferDisplay::Refusal::busy);
        return;
    }
    const int out = chosenOutput.load();
    if (out >= 0 && out < maxPorts && sendToOutput (out, soundRequest, 7))
    {
        if (transferDisplay != nullptr)
            transferDisplay->requestSent();
    }
    else if (transferDisplay != nullptr)
        transferDisplay->refused (TransferDisplay::Refusal::noInstrument);
}

// The sounds go as the list holds them when the question is answered; the sender then takes them
// to the cable while the window goes on.
void MainContentComponent::dumpSoundset()
{
    if (transferDisplay != nullptr && (transferDisplay->busy() || closing))
    {
        transferDisplay->refused (TransferDisplay::Refusal::busy);
        return;
    }
    const int answer = fileDialogs().askSoundsetDump();
    if (answer != FileDialogs::dumpUserBanks && answer != FileDialogs::dumpWithPresets)
        return;

    const int out = chosenOutput.load();
    const int firstProgram = answer == FileDialogs::dumpWithPresets ? 0 : 7;
    std::vector<std::vector<uint8_t>> dumps;
    {
        const juce::ScopedLock sl (userSoundsLock);
        for (int p = firstProgram; p <= 27 && p < userSounds.size(); ++p)
        {
            std::vector<uint8_t> dump (soundDumpLength);
            dump.resize (static_cast<size_t> (encodeSoundDump (&userSounds[p], dump.data(), static_cast<uint8_t> (p))));
            dumps.push_back (std::move (dump));
        }
    }

    const auto result = out >= 0 && out < maxPorts && ! dumps.empty() ? sender.sendSoundset (out, dumps, 200) : Sender::notOpen;
    if (transferDisplay == nullptr)
        return;
    if (result == Sender::queued)
        transferDisplay->update();
    else
        transferDisplay->refused (result == Sender::refused ? TransferDisplay::Refusal::busy : TransferDisplay::Refusal::noInstrument);
}

void MainContentComponent::chooseEngine (juce::Button* button, int id)
{
    // The radio group also reports the button it turned off.
    if (! button->getToggleState())
        return;

    const int engine = id - 15;
    {
        const juce::ScopedLock sl (userSoundsLock);
        const int current = userSounds.findCurrent();
        if (current >= 0)
        {
            SoundRecord& record = userSounds[current];
            record[SoundRecord::engineType] = static_cast<uint32_t> (engine);
            setCc (&record, 22, engine, true);
        }
    }

    const uint8_t cc[3] = { 0xB0, 22, static_cast<uint8_t> (engine) };
    sendMidi (cc, 3);

    shownEnginePage = engine;
    if (engine == 0)
        showModelPage();
    else if (engine == 1)
        showSamplePage();
    else
        showFmPage();
}
