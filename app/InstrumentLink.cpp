// The link to the instrument: what the MIDI input thread takes, what the timer does with it, and
// every message that leaves the editor.
#include "app/InstrumentLink.h"

#include <algorithm>
#include <cstring>
#include "app/MainContentComponent.h"
#include "app/Pause.h"
#include "app/TransferDisplay.h"
#include "sound/CcConversion.h"
#include "sound/SoundDump.h"
#include "library/SoundPanel.h"
#include "editor/EditPanel.h"
#include "editor/FmPanel.h"
#include "editor/FxPanel.h"
#include "editor/GlobalDialog.h"
#include "editor/SamplePanel.h"

const uint8_t defaultGlobalBlock[GlobalBlock::size] = {
    0xF0, 0x7D, 0x2B, 0x00, 0x12,
    0x40,  // transpose 0
    0x40,  // master tune 440 Hz
    0x10,  // OMNI
    0x7F,
    0x00,  // pedal auto
    0x00,  // level low
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x37,  // checksum of the bytes above
    0xF7
};

GlobalBlock::GlobalBlock() noexcept
{
    std::memcpy (bytes, defaultGlobalBlock, size);
}

uint8_t GlobalBlock::get (int index) const
{
    if (index < 0 || index >= size)
        return 0;
    std::lock_guard<std::mutex> g (lock);
    return bytes[index];
}

void GlobalBlock::set (int index, uint8_t value)
{
    if (index < 0 || index >= size)
        return;
    std::lock_guard<std::mutex> g (lock);
    bytes[index] = value;
}

void GlobalBlock::copyTo (uint8_t* out) const
{
    std::lock_guard<std::mutex> g (lock);
    std::memcpy (out, bytes, size);
}

void GlobalBlock::replace (const uint8_t* in)
{
    std::lock_guard<std::mutex> g (lock);
    std::memcpy (bytes, in, size);
    std::memset (edited, 0, sizeof (edited));
}

void GlobalBlock::edit (int index, uint8_t value)
{
    if (index < 0 || index >= size)
        return;
    std::lock_guard<std::mutex> g (lock);
    bytes[index] = value;
    edited[index] = true;
}

void GlobalBlock::receive (const uint8_t* in)
{
    std::lock_guard<std::mutex> g (lock);
    for (int i = 0; i < size; ++i)
        if (! edited[i])
            bytes[i] = in[i];
    ++dumps;
}

int GlobalBlock::dumpsReceived() const
{
    std::lock_guard<std::mutex> g (lock);
    return dumps;
}

void GlobalBlock::prepareForSend (uint8_t* out)
{
    std::lock_guard<std::mutex> g (lock);
    unsigned sum = 0;
    for (int i = 1; i <= 19; ++i)
    {
        bytes[i] &= 0x7F;
        sum += bytes[i];
    }
    bytes[checksum] = static_cast<uint8_t> ((0u - sum) & 0x7Fu);
    std::memcpy (out, bytes, size);
    std::memset (edited, 0, sizeof (edited));  // the edits are on their way
}

GlobalBlock globalBlock;
std::atomic<uint8_t> globalSendCountdown { 0 };
SysexQueueEntry sysexQueue[sysexQueueEntries];
std::atomic<int> sysexWriteIndex { 0 };
std::atomic<int> sysexReadIndex { 0 };
std::atomic<int> pendingProgram { -1 };
std::atomic<int> ccReceivedCount { 0 };
int shownEnginePage = -1;
juce::CriticalSection userSoundsLock;

namespace
{
constexpr int queueMask = sysexQueueEntries - 1;
// A MIDI cable carries 31,250 bits a second, 10 bits a byte.
constexpr int64_t wireMicrosecondsPerByte = 320;
const uint8_t globalRequest[7] = { 0xF0, 0x7D, 0x2B, 0x7F, 0x02, 0x7F, 0xF7 };

// F0 7D 2B, device, command 12, data bytes below 0x80, F7 last: 23 bytes in all.
bool isWellFormedGlobalDump (const uint8_t* m, int length)
{
    if (length != GlobalBlock::size || m[0] != 0xF0 || m[1] != 0x7D || m[2] != 0x2B || m[4] != 0x12
        || m[GlobalBlock::size - 1] != 0xF7)
        return false;
    for (int i = 1; i < GlobalBlock::size - 1; ++i)
        if (m[i] >= 0x80)
            return false;
    return true;
}
}

//==============================================================================
void sendMidi (const uint8_t* bytes, int length, int gapAfterMs)
{
    auto* main = mainComponent;
    if (main == nullptr || bytes == nullptr || length <= 0)
        return;

    uint8_t onChannel[3];
    if (length == 3 && bytes[0] == 0xB0)
    {
        // Only a real channel goes into the status byte: OMNI (16) and anything a corrupt block
        // may hold stay on 0xB0 rather than turning the CC into another status.
        const uint8_t channel = globalBlock.get (GlobalBlock::channel);
        if (channel >= 1 && channel <= 15)
        {
            onChannel[0] = static_cast<uint8_t> (0xB0 | channel);
            onChannel[1] = bytes[1];
            onChannel[2] = bytes[2];
            bytes = onChannel;
        }
    }

    const int out = main->chosenOutput.load();
    if (out >= 0)
    {
        Sender::Options options;
        options.gapAfterMs = gapAfterMs;
        main->sendToOutput (out, bytes, length, options);
    }
}

void sendSelectedSound (int delayMs)
{
    auto* main = mainComponent;
    if (main == nullptr)
        return;

    uint8_t dump[soundDumpLength];
    int length = 0;
    {
        const juce::ScopedLock sl (userSoundsLock);
        const int i = main->userSounds.findCurrent();
        if (i < 0)
            return;
        length = encodeSoundDump (&main->userSounds[i], dump, 127);
    }
    const int out = main->chosenOutput.load();
    if (out < 0)
        return;
    Sender::Options options;
    options.gapAfterMs = 200;
    options.delayMs = delayMs;
    options.editBuffer = true;
    main->sendToOutput (out, dump, length, options);
}

void soundSelected (SoundRecord* record)
{
    auto* main = mainComponent;
    if (main == nullptr || main->soundPanel == nullptr)
        return;
    main->soundPanel->setSound (record);
    sendSelectedSound();
}

//==============================================================================
bool MainContentComponent::sendToOutput (int index, const uint8_t* bytes, int length, Sender::Options options)
{
    return sender.send (index, bytes, length, options) == Sender::queued;
}

bool MainContentComponent::isOutputOpen (int index) const
{
    return sender.isOpen (index);
}

void MainContentComponent::refreshOpenPanels (bool fromInstrument)
{
    const juce::ScopedLock sl (userSoundsLock);
    const int i = userSounds.findCurrent();
    if (i < 0)
        return;
    auto* record = &userSounds[i];
    if (editPanel != nullptr && editPanel->isVisible())
        editPanel->setSound (record, fromInstrument);
    if (fmPanel != nullptr && fmPanel->isVisible())
        fmPanel->setSound (record);
    if (fxPanel != nullptr && fxPanel->isVisible())
        fxPanel->setSound (record, fromInstrument);
    if (samplePanel != nullptr && samplePanel->isVisible())
        samplePanel->setSound (record, fromInstrument);
}

//==============================================================================
void MainContentComponent::handleIncomingMidiMessage (juce::MidiInput*, const juce::MidiMessage& message)
{
    const uint8_t* m = message.getRawData();
    const int length = message.getRawDataSize();
    if (m == nullptr || length <= 0)
        return;

    if (m[0] == 0xF0)
    {
        if (length < 5 || m[1] != 0x7D || m[2] != 0x2B)
            return;

        switch (m[4])
        {
            case 0x10:
            {
                const int w = sysexWriteIndex.load (std::memory_order_relaxed);
                const int next = (w + 1) & queueMask;
                if (next == sysexReadIndex.load (std::memory_order_acquire))
                    return;  // 63 waiting: dropped
                auto& entry = sysexQueue[w];
                entry.length = std::min (length, static_cast<int> (sizeof (entry.bytes)));
                std::memcpy (entry.bytes, m, static_cast<size_t> (entry.length));
                sysexWriteIndex.store (next, std::memory_order_release);
                return;
            }
            case 0x12:
                // The block goes back out as held, so only a whole, clean dump may replace it.
                if (isWellFormedGlobalDump (m, length))
                    globalBlock.receive (m);
                return;
            case 0x7B:
            {
                const int device = m[3];
                if (device > 7)
                    return;
                chosenOutput.store (device);
                sendToOutput (device, globalRequest, sizeof (globalRequest));
                return;
            }
            default:
                return;
        }
    }

    switch (m[0] >> 4)
    {
        case 0xB:
        {
            if (length < 3)
                return;
            {
                const juce::ScopedLock sl (userSoundsLock);
                // A knob turned right after a Program Change belongs to the program that the
                // timer is about to select (it takes the change under this lock). A program past
                // the list's end will leave no sound selected: the CC has nowhere to go.
                int i = pendingProgram.load();
                if (i < 0)
                    i = userSounds.findCurrent();
                else if (i >= userSounds.size())
                    i = -1;
                if (i < 0)
                    return;
                setCc (&userSounds[i], m[1], m[2], true);
            }
            ccReceivedCount.fetch_add (1);
            return;
        }
        case 0xC:
            if (length >= 2 && m[1] < 28)
                pendingProgram.store (m[1]);
            return;
        default:
            return;
    }
}

//==============================================================================
void MainContentComponent::timerCallback()
{
    if (! isVisible())
        return;

    tick();

    if (transferDisplay != nullptr)
        transferDisplay->update();
    // A close asked for while a transfer was on the wire: once it has left the cable.
    if (closing && sender.idle() && sender.drainedAt() <= clockMicroseconds())
        if (auto* app = juce::JUCEApplicationBase::getInstance())
            app->quit();
}

void MainContentComponent::tick()
{
    ++ticksSinceProbe;

    // A Program Change from the instrument: taken and applied under the lock by which the MIDI
    // thread decides where an incoming CC goes.
    int program, current = -1, size = 0;
    uint32_t engine = 0;
    {
        const juce::ScopedLock sl (userSoundsLock);
        program = pendingProgram.exchange (-1);
        if (program >= 0)
        {
            current = userSounds.findCurrent();
            if (program != current)
            {
                size = userSounds.size();
                for (int i = 0; i < 28 && i < size; ++i)
                    userSounds[i].setSelected (i == program);
                if (program < size)
                    engine = userSounds[program][SoundRecord::engineType];
            }
        }
    }
    if (program >= 0)
    {
        if (program != current)
        {
            if (program < size && shownEnginePage >= 0 && static_cast<uint32_t> (shownEnginePage) != engine)
            {
                showPage (1);
            }
            else
            {
                refreshOpenPanels();
                if (soundPanel != nullptr && soundPanel->isVisible())
                {
                    soundPanel->userList.refresh (false);  // the sound goes out below, once
                    soundPanel->refresh();
                }
            }
            sendSelectedSound (20);
            return;
        }
    }

    // The global block's pending send.
    if (globalSendCountdown.load() != 0)
    {
        if (--globalSendCountdown == 0)
        {
            uint8_t block[GlobalBlock::size];
            globalBlock.prepareForSend (block);
            const int out = chosenOutput.load();
            if (out >= 0)
                sendToOutput (out, block, GlobalBlock::size);
            return;
        }
    }

    const juce::MessageManagerLock mml (juce::Thread::getCurrentThread());

    // Dumps that the MIDI thread queued.
    bool currentReplaced = false;
    {
        const juce::ScopedLock sl (userSoundsLock);
        const int current = userSounds.findCurrent();
        for (;;)
        {
            const int r = sysexReadIndex.load (std::memory_order_relaxed);
            if (r == sysexWriteIndex.load (std::memory_order_acquire))
                break;

            const auto& entry = sysexQueue[r];
            // Shorter than its program byte: nothing to store. The rest of the entry is stale, so
            // the parser sees only this message, followed by end bytes.
            if (entry.length >= 6)
            {
                uint8_t message[sizeof (entry.bytes)];
                std::memcpy (message, entry.bytes, static_cast<size_t> (entry.length));
                std::memset (message + entry.length, 0xF7, sizeof (message) - static_cast<size_t> (entry.length));

                const int slot = message[5];
                if (slot < 28)
                    ++programDumpsTaken;
                if (slot < userSounds.size())
                {
                    if (parseSoundDump (&userSounds[slot], message) >= 0 && slot == current)
                        currentReplaced = true;
                }
                else
                {
                    // A new slot is only made for a dump that parses: junk must not leave an
                    // empty sound at the end of the user list.
                    SoundRecord fresh;
                    initSoundRecord (&fresh);
                    if (parseSoundDump (&fresh, message) >= 0)
                        userSounds.append (fresh);
                }
                listChanged = true;
            }
            sysexReadIndex.store ((r + 1) & queueMask, std::memory_order_release);
        }
    }

    // Shown without sending: a Request's 28 answers would send the current sound back 28 times.
    // It goes back once, below, when its own dump has come.
    if (listChanged)
    {
        listChanged = false;
        if (soundPanel != nullptr)
            soundPanel->userList.refresh (false);
    }

    // The instrument's own values: shown, not sent back to it.
    if (currentReplaced)
    {
        ccReceivedCount = 0;
        refreshOpenPanels (true);
        if (soundPanel != nullptr && soundPanel->isVisible())
        {
            const juce::ScopedLock sl (userSoundsLock);
            const int i = userSounds.findCurrent();
            if (i >= 0)
                soundPanel->setSound (&userSounds[i]);
        }
        sendSelectedSound();
    }
    else if (ccReceivedCount.exchange (0) != 0)
    {
        refreshOpenPanels (true);
    }

    // A global dump arrived: the dialog shows what the block now holds.
    const int dumps = globalBlock.dumpsReceived();
    if (dumps != globalDumpsShown && globalDialog != nullptr)
    {
        globalDumpsShown = dumps;
        globalDialog->updateFromGlobalBlock();
    }

    rescanInputs();
    rescanOutputs();

    // Behind an interface whose ports already exist, an instrument switched on later changes no
    // count: until one answers, the open outputs are asked again.
    if (chosenOutput.load() < 0 && ticksSinceProbe >= ticksBetweenProbes)
        probeOpenOutputs();
}

// No lock of ours is held here: closing a port waits for its running callback, and the callback
// may be waiting for userSoundsLock or the sender's lock.
//
// The new ports are started before the old ones stop. JUCE's ALSA backend stops its one input
// thread when its last input stops, and one started right after does not revive it: closing
// first would leave every input deaf once the last open input had gone, say after the instrument
// was unplugged and plugged back beside "Midi Through". A message that comes in meanwhile may
// arrive twice; every message of the instrument's is an absolute value.
void MainContentComponent::rescanInputs()
{
    auto& layer = midiPortLayer();
    const int n = layer.inputCount();
    if (n == lastInputCount)
        return;
    lastInputCount = n;

    std::unique_ptr<MidiInPort> opened[maxPorts];
    for (int i = 0; i < std::min (n, static_cast<int> (maxPorts)); ++i)
    {
        opened[i] = layer.openInput (i, this);
        if (opened[i] != nullptr)
            opened[i]->start();
    }
    for (int i = 0; i < maxPorts; ++i)
    {
        if (midiInputs[i] != nullptr)
        {
            midiInputs[i]->stop();
            midiInputs[i].reset();
        }
        midiInputs[i] = std::move (opened[i]);
    }
}

// The chosen output follows its device: a rescan that renumbers the outputs keeps sending to the
// instrument, and one that finds it gone chooses none, so that nothing meant for it reaches
// another device.
void MainContentComponent::rescanOutputs()
{
    auto& layer = midiPortLayer();
    const int n = layer.outputCount();
    if (n == lastOutputCount)
        return;
    lastOutputCount = n;

    const std::string chosenDevice = sender.deviceAt (chosenOutput.load());

    closeAllOutputs();
    for (int i = 0; i < std::min (n, static_cast<int> (maxPorts)); ++i)
        sender.putOutput (i, layer.openOutput (i));
    sender.outputsReady();

    // An answer that came meanwhile named an index of the old table.
    const int now = chosenDevice.empty() ? -1 : sender.indexOf (chosenDevice);
    chosenOutput.store (now);
    if (! chosenDevice.empty() && now < 0)
        ++instrumentLosses;

    probeOpenOutputs();
    // A device just plugged in may not listen yet: it is asked once more soon.
    ticksSinceProbe = ticksBetweenProbes - ticksToSecondProbe;
}

void MainContentComponent::probeOpenOutputs()
{
    ticksSinceProbe = 0;
    for (int i = 0; i < maxPorts; ++i)
    {
        const uint8_t probe[6] = { 0xF0, 0x7D, 0x2B, static_cast<uint8_t> (i), 0x7A, 0xF7 };
        sendToOutput (i, probe, sizeof (probe));
    }
}

// The ports are taken out of the sender once no send runs on them, and closed with no lock held.
void MainContentComponent::closeAllOutputs()
{
    std::unique_ptr<MidiOutPort> closing[maxPorts];
    sender.takeOutputs (closing);
    for (auto& port : closing)
        port.reset();
}

// Every input is stopped and closed before any output goes, so that no probe answer still in
// flight can send on an output that is being deleted.
void MainContentComponent::closeAllPorts()
{
    for (auto& in : midiInputs)
        if (in != nullptr)
            in->stop();
    for (auto& in : midiInputs)
        in.reset();

    closeAllOutputs();
}
