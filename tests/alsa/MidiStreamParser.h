#pragma once
// Cuts a MIDI byte stream, as it comes from a raw MIDI device or from decoded sequencer events,
// into whole messages. A SysEx may come in any number of pieces; real-time bytes are dropped
// wherever they stand; channel messages may use running status.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

using MidiBytes = std::vector<uint8_t>;

class MidiStreamParser
{
public:
    // `pieces`: how many calls of feed() the message's bytes came in; `startedAt`: the time given
    // with the first of them.
    using Taker = std::function<void (const MidiBytes& message, int pieces, long long startedAt)>;

    // A SysEx cut short by another status byte is handed over as it stands, without its F7,
    // so that the loss shows.
    void feed (const uint8_t* bytes, size_t count, const Taker& take, long long time = 0);

private:
    void startChannelMessage (uint8_t status);

    MidiBytes message;
    bool inSysex = false;
    int pieces = 0;
    long long sysexStart = 0;
    long long messageStart = 0;  // of a channel or system common message
    long long feedTime = 0;
    size_t wanted = 0;        // length of the channel message being read; 0 = none
    uint8_t runningStatus = 0;
};
