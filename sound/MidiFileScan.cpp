#include "sound/MidiFileScan.h"
#include "sound/SoundDump.h"

namespace soundfile
{
bool startsEventDump (ByteReader& in, const int h[4], int& eventLeft)
{
    eventLeft = -1;
    if (h[0] < 0x80 && h[1] == 0x7D && h[2] == 0x2B)
    {
        in.pushBack (h[3]);
        eventLeft = h[0] >= 2 ? h[0] - 2 : -1;
        return true;
    }
    if (h[2] == 0x7D && h[3] == 0x2B)
    {
        const int eventLength = h[0] >= 0x80 && h[1] < 0x80 ? ((h[0] & 0x7F) << 7 | h[1]) : -1;
        eventLeft = eventLength >= 2 ? eventLength - 2 : -1;
        return true;
    }
    // An F0 among these bytes may start a dump.
    for (int j = 3; j >= 0; --j)
        in.pushBack (h[j]);
    return false;
}

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

// A variable-length number of at most four bytes; false when it is none.
bool MessageBytes::readNumber (int* read, int& n, int& value)
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

bool MessageBytes::continuation()
{
    int read[9];
    int n = 0, delta = 0, length = 0;
    bool ok = readNumber (read, n, delta);
    if (ok)
    {
        const int b = in.next();
        if (b >= 0)
            read[n++] = b;
        // No packet of a dump is longer than the dump: a longer length is no continuation.
        ok = b == 0xF7 && readNumber (read, n, length) && length <= soundDumpLength;
    }
    if (ok)
    {
        left = length;
        return true;
    }
    while (n > 0)
        in.pushBack (read[--n]);
    return false;
}
} // namespace soundfile
