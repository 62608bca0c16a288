#include "sound/MidiFileScan.h"
#include "sound/SoundDump.h"

namespace soundfile
{
namespace
{
// A variable-length number of at most four bytes, each byte kept in `read`; false when it is none.
bool readNumber (ByteReader& in, int* read, int& n, int& value)
{
    value = 0;
    for (int i = 0; i < 4; ++i)
    {
        const int b = in.next();
        if (b < 0)
            return false;
        read[n++] = b;
        value = (value << 7) | (b & 0x7F);
        if (b < 0x80)
            return true;
    }
    return false;
}

// Data bytes that follow a channel message's status byte; -1 for a byte that begins none.
int dataBytesAfter (int status)
{
    if (status < 0x80 || status >= 0xF0)
        return -1;
    return (status & 0xE0) == 0xC0 ? 1 : 2;
}
} // namespace

int MessageBytes::next()
{
    while (left == 0)
        if (! continuation())
            left = -1;  // read on as a plain dump would be
    const int b = in.next();
    if (b >= 0 && left > 0)
        --left;
    return b;
}

size_t MessageBytes::takeData (uint8_t* out, size_t max)
{
    if (left == 0)
        return 0;
    if (left > 0 && static_cast<size_t> (left) < max)
        max = static_cast<size_t> (left);
    const size_t n = in.takeData (out, max);
    if (left > 0)
        left -= static_cast<int> (n);
    return n;
}

bool MessageBytes::continuation()
{
    // Events of a merged track between two packets (notes and controllers, running status too, and
    // real-time bytes such as a clock in an escape event) are passed over; the bytes of anything
    // else are given back.
    int running = 0;
    for (;;)
    {
        int read[12];
        int n = 0, delta = 0, length = 0;
        const auto giveBack = [&]
        {
            while (n > 0)
                in.pushBack (read[--n]);
            return false;
        };
        if (! readNumber (in, read, n, delta))
            return giveBack();
        const int b = in.next();
        if (b < 0)
            return giveBack();
        read[n++] = b;
        if (b == 0xF7)
        {
            // No packet of a dump is longer than the dump: a longer length is no continuation.
            if (! readNumber (in, read, n, length) || length > soundDumpLength)
                return giveBack();
            const int first = length > 0 ? in.next() : -1;
            if (first < 0xF8)
            {
                if (first >= 0)
                    in.pushBack (first);
                left = length;
                return true;
            }
            for (int k = 1; k < length; ++k)
                if (in.next() < 0)
                    return false;
            continue;
        }
        int more = dataBytesAfter (b);
        if (more < 0 && b < 0x80 && running != 0)
            more = dataBytesAfter (running) - 1;
        if (more < 0)
            return giveBack();
        for (int k = 0; k < more; ++k)
        {
            const int d = in.next();
            if (d >= 0)
                read[n++] = d;
            if (d < 0 || d >= 0x80)
                return giveBack();
        }
        if (b >= 0x80)
            running = b;
    }
}

bool startsEventDump (ByteReader& in, int& eventLeft)
{
    in.mark();
    int read[4];
    int n = 0, length = 0;
    if (readNumber (in, read, n, length))
    {
        MessageBytes event (in, length);
        const int m1 = event.next();
        const int m2 = m1 == 0x7D ? event.next() : -1;
        if (m2 == 0x2B)
        {
            in.unmark();
            eventLeft = event.eventBytesLeft();
            return true;
        }
    }
    if (! in.rewind())
        return false;

    in.mark();
    int h[4];
    for (int i = 0; i < 4; ++i)
        h[i] = in.next();
    if (h[2] == 0x7D && h[3] == 0x2B)
    {
        in.unmark();
        eventLeft = -1;
        return true;
    }
    // An F0 among these bytes may start a dump.
    in.rewind();
    return false;
}
} // namespace soundfile
