#pragma once
// The one owner of the wire. Every message to the instrument, from the message thread or the MIDI
// input thread, goes into one queue and leaves from the sender's own thread, no earlier than the
// bytes before it on the same cable could have left it (31,250 baud, 10 bits a byte) and no
// earlier than the pause that the message before it asks for. Nobody else waits for the wire.
//
// Each waiting message belongs to a device (the output's identifier), not to an output index: a
// rescan that renumbers the outputs, or closes and reopens them, neither sends it elsewhere nor
// forgets the bytes still on a cable. When a device goes, what waits for it is dropped.

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>
#include "app/MidiPorts.h"

struct SendOptions
{
    int gapAfterMs = 0;       // least time from this message to the next one on its device
    int delayMs = 0;          // leaves no earlier than this after it was queued
    bool editBuffer = false;  // a newer edit-buffer dump for the device takes its place
};

class Sender
{
public:
    static constexpr int maxPorts = 8;
    // The bound of the queue. Past it a Control Change takes the place of the newest waiting one of
    // its controller on its device (the instrument ends with the last value all the same); with none
    // waiting, and for every other message, the message is refused.
    static constexpr int maxWaiting = 4096;
    static constexpr int64_t microsecondsPerByte = 320;

    using Options = SendOptions;

    enum Result { queued, notOpen, refused };

    Sender();
    ~Sender();  // stops: the message on its way finishes, the rest is dropped

    // The output table. A rescan takes every port out (to close them outside every lock), puts the
    // new ones in and then calls outputsReady: what waits for a device that is not open any more is
    // dropped. Meanwhile nothing is sent and nothing is dropped.
    void takeOutputs (std::unique_ptr<MidiOutPort> (&out)[maxPorts]);
    void putOutput (int index, std::unique_ptr<MidiOutPort> port);
    void outputsReady();
    bool isOpen (int index) const;
    std::string deviceAt (int index) const;  // empty when that output is not open
    int indexOf (const std::string& device) const;  // -1 when it is not open

    // Queues a message for the device now at output `index`.
    Result send (int index, const uint8_t* bytes, int length, Options options = {});

    // A soundset dump: every message queued at once for the device at `index`, or none. Refused
    // while the one before is still on its way, so that two never interleave.
    Result sendSoundset (int index, const std::vector<std::vector<uint8_t>>& dumps, int gapAfterMs);

    struct Soundset
    {
        int id = 0;       // 0 before the first
        int total = 0;
        int sent = 0;     // handed to the port
        int dropped = 0;  // dropped because the device went
        bool active() const { return id != 0 && sent + dropped < total; }
        bool cutShort() const { return dropped > 0; }
    };
    Soundset soundset() const;

    int waiting() const;           // messages in the queue
    bool idle() const;             // nothing waiting and nothing on its way
    // When the queue as it stands will have left its cables, by the link's clock; now or earlier
    // when nothing waits.
    int64_t drainedAt() const;
    // When the next waiting message may leave; INT64_MAX when nothing waits or nothing can go.
    int64_t nextDue() const;
    // Nothing on its way and nothing that may leave before `time`.
    bool nothingDueBefore (int64_t time) const;

    struct Stats
    {
        uint64_t sent = 0, droppedForGoneDevice = 0, replaced = 0, merged = 0, refused = 0, wakeups = 0;
        size_t mostWaiting = 0;
    };
    Stats stats() const;

private:
    struct Entry
    {
        std::vector<uint8_t> bytes;
        std::string device;
        int64_t notBefore = 0;
        int64_t gapAfter = 0;
        bool editBuffer = false;
        int soundset = 0;
    };
    struct Cable
    {
        int64_t freeAt = 0;    // the last byte sent has left
        int64_t gapUntil = 0;  // the pause after the last message is over
    };

    void run();
    bool openLocked (const std::string& device) const;
    int64_t dueLocked (const Entry& e) const;
    int64_t nextDueLocked() const;
    void dropLocked (const Entry& e);
    bool mergeLocked (const std::string& device, const uint8_t* bytes, int length);

    mutable std::mutex lock;
    std::condition_variable wake;      // work, outputs back, quit
    std::condition_variable sendDone;  // the message on its way has been handed over
    std::deque<Entry> queue;
    std::map<std::string, int> waitingFor;  // queued messages by device
    std::map<std::string, Cable> cables;
    std::unique_ptr<MidiOutPort> ports[maxPorts];
    std::string ids[maxPorts];
    bool changing = false;
    bool onItsWay = false;
    bool quitting = false;
    Soundset current;
    int nextSoundsetId = 1;
    Stats counts;
    std::thread thread;
};
