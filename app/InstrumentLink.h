#pragma once
// The process-wide state of the link to the instrument and the functions through which every page
// reaches it. Two threads meet here: the message thread and the MIDI input thread.

#include <atomic>
#include <cstdint>
#include <mutex>
#include <juce_core/juce_core.h>

struct SoundRecord;

// The instrument's global settings, kept as the 23-byte global dump:
// F0 7D 2B device 12, transpose (64 + semitones), master tune, channel (0..15, 16 = OMNI), byte 8,
// pedal, level, bytes 11..20, checksum, F7.
class GlobalBlock
{
public:
    static constexpr int size = 23;
    enum Byte { transpose = 5, masterTune = 6, channel = 7, pedal = 9, level = 10, checksum = 21 };

    GlobalBlock() noexcept;

    // The MIDI thread replaces the whole block when a dump arrives, so every access takes the
    // block's lock: readers always see it whole, old or new.
    uint8_t get (int index) const;
    void set (int index, uint8_t value);
    void copyTo (uint8_t* out) const;         // all 23 bytes
    void replace (const uint8_t* in);         // all 23 bytes, edits forgotten

    // The user's edit of one byte: a received dump leaves it alone until the block has been sent.
    void edit (int index, uint8_t value);
    // A global dump from the instrument: every byte but the edits still waiting to be sent.
    void receive (const uint8_t* in);
    int dumpsReceived() const;                // counts the calls of receive

    // Masks bytes 1..19 to 7 bits, sets the checksum, and copies the block out for sending.
    void prepareForSend (uint8_t* out);

private:
    mutable std::mutex lock;
    uint8_t bytes[size];
    bool edited[size] = {};
    int dumps = 0;
};

extern const uint8_t defaultGlobalBlock[GlobalBlock::size];
extern GlobalBlock globalBlock;

// The Global dialog ORs 4 into it on each edit; the timer counts it down and sends the block on
// the tick that takes it from 1 to 0.
extern std::atomic<uint8_t> globalSendCountdown;

// Sound dumps from the MIDI thread to the timer: one producer, one consumer, no lock. An entry is
// filled before the write index moves past it.
struct SysexQueueEntry
{
    int32_t length;       // bytes of the message kept, at most 2048
    uint8_t bytes[2048];
};
constexpr int sysexQueueEntries = 64;
extern SysexQueueEntry sysexQueue[sysexQueueEntries];
extern std::atomic<int> sysexWriteIndex;
extern std::atomic<int> sysexReadIndex;

extern std::atomic<int> pendingProgram;   // -1 = none; a Program Change 0..27 waiting for the timer
extern std::atomic<int> ccReceivedCount;  // CCs applied to the current sound since the timer looked
extern int shownEnginePage;               // engine of the page on show, -1 = none (message thread)

// Held by the MIDI thread while it finds the current user sound and writes a CC into it. The
// message thread holds it around every change of the user list's storage (append, erase, move,
// copy, load, drop) and of the user records' contents:
//     const juce::ScopedLock sl (userSoundsLock);
// Never send, pause, or open or close a port while holding it: the system's MIDI backend holds its
// own lock around every callback, and the callback may be waiting here.
extern juce::CriticalSection userSoundsLock;

// Queues one message for the instrument's output; nothing when none has answered. A 3-byte
// message with status 0xB0 goes out on the instrument's channel (global block byte 7, when it is
// 1..15). The next message to the instrument leaves at least `gapAfterMs` after it.
void sendMidi (const uint8_t* bytes, int length, int gapAfterMs = 0);

// Queues the first selected user sound for the edit buffer (program 127), to leave no earlier than
// `delayMs` from now and to be followed by a 200 ms pause; nothing without a selected sound. A
// newer one replaces it while it waits.
void sendSelectedSound (int delayMs = 0);

// Called by the user list when its selection changes.
void soundSelected (SoundRecord* record);
