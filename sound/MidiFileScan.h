#pragma once
// Sound dumps as a Standard MIDI File stores them: a SysEx event (F0, a length, the bytes), and a
// long one that a sequencer recorded in packets, joined here.

#include <cstddef>
#include <cstdint>
#include "sound/ByteReader.h"

namespace soundfile
{
// The bytes of one message after its header. A long message that a sequencer recorded in packets
// is stored as an event followed by continuation events (a delta time, F7, a length, the bytes)
// until the bytes end in F7; between two packets a merged track may hold other events. `left`
// counts what remains of the current event, -1 where there is no event length (a plain dump) or
// where no continuation follows.
class MessageBytes
{
public:
    MessageBytes (ByteReader& reader, int eventBytesLeft) : in (reader), left (eventBytesLeft) {}

    // The next byte, -1 at the end of the file.
    int next();

    // Data bytes of the current event, as ByteReader::takeData.
    size_t takeData (uint8_t* out, size_t max);

    int eventBytesLeft() const { return left; }

private:
    bool continuation();

    ByteReader& in;
    int left;
};

// Whether the bytes after an F0 (which begins no plain dump) begin a dump as an event of a
// Standard MIDI File: F0, a length of one to four bytes, then bytes that begin 7D 2B, in the event
// or in the packets that continue it; or, as ever, F0 and any two bytes before 7D 2B (length
// unknown). On true the bytes after 7D 2B are the next to read, and `eventLeft` is what a
// MessageBytes reading them on starts from; on false the bytes after the F0 are read again.
bool startsEventDump (ByteReader& in, int& eventLeft);
} // namespace soundfile
