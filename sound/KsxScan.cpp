#include "sound/KsxScan.h"
#include "sound/MidiFileScan.h"
#include "sound/SoundDump.h"

namespace soundfile
{
namespace
{
inline bool isStatus (int b) noexcept { return b >= 0x80 && b != 0xF7; }
} // namespace

void scanFile (ByteReader& in, DumpCollector& dumps)
{
    uint8_t msg[soundDumpLength] = {};
    for (;;)
    {
        if (! in.skipPast (0xF0))
            return;

        // The plain form, F0 7D ..; the bytes after 7D are read again as the message's own.
        const int h0 = in.next(), h1 = in.next(), h2 = in.next();
        if (h2 < 0)
            return;
        in.pushBack (h2);
        in.pushBack (h1);
        const bool plain = h0 == 0x7D && ! (h1 == 0x7D && h2 == 0x2B);
        int eventLeft = -1;
        if (! plain)
        {
            in.pushBack (h0);
            if (! startsEventDump (in, eventLeft))
                continue;
        }
        msg[0] = 0xF0;
        msg[1] = 0x7D;
        int length = 2;  // bytes of the message so far
        if (! plain)
            msg[length++] = 0x2B;

        MessageBytes bytes (in, eventLeft);
        bool ended = false;
        while (length < soundDumpLength)
        {
            length += static_cast<int> (bytes.takeData (msg + length, static_cast<size_t> (soundDumpLength - length)));
            if (length == soundDumpLength)
                break;
            const int b = bytes.next();
            if (b < 0)
                return;  // the file ends inside the message
            if (isStatus (b))
            {
                // A status byte cannot be part of a dump: this one is cut short, the byte may start the next.
                in.pushBack (b);
                break;
            }
            msg[length++] = static_cast<uint8_t> (b);
            if (b == 0xF7)
            {
                ended = true;
                break;
            }
        }
        dumps.add (msg, length, ended);
    }
}
} // namespace soundfile
