#pragma once
// Sound dumps as a Standard MIDI File stores them: a SysEx event (F0, a length, the bytes), and a
// long one that a sequencer recorded in packets, joined here.

#include <cstddef>
#include <cstdint>
#include "sound/ByteReader.h"

namespace soundfile
{
// Whether the four bytes after an F0 begin a dump in an event of a Standard MIDI File: F0, a
// length of one or two bytes, 7D 2B ..; or, as ever, F0 and any two bytes before 7D 2B (length
// unknown). On true the bytes after 7D 2B are the next to read and `eventLeft` counts the event's
// bytes after them (-1 where unknown); on false `h` is pushed back.
bool startsEventDump (ByteReader& in, const int h[4], int& eventLeft);

// The bytes of one message after its header. A long message that a sequencer recorded in packets
// is stored as an event followed by continuation events (a delta time, F7, a length, the bytes)
// until the bytes end in F7. `left` counts what remains of the current event, -1 where there is no
// event length (a plain dump) or where no continuation follows.
class MessageBytes
{
public:
    MessageBytes (ByteReader& reader, int eventBytesLeft) : in (reader), left (eventBytesLeft) {}

    // The next byte, -1 at the end of the file.
    int next();

    // Data bytes of the current event, as ByteReader::takeData.
    size_t takeData (uint8_t* out, size_t max);

private:
    bool readNumber (int* read, int& n, int& value);
    bool continuation();

    ByteReader& in;
    int left;
};
} // namespace soundfile
