#include "tests/alsa/MidiStreamParser.h"

namespace
{
size_t channelMessageLength (uint8_t status)
{
    const int kind = status & 0xF0;
    return (kind == 0xC0 || kind == 0xD0) ? 2 : 3;
}

size_t systemCommonLength (uint8_t status)
{
    switch (status)
    {
        case 0xF1: case 0xF3: return 2;
        case 0xF2:            return 3;
        case 0xF6:            return 1;
        default:              return 0;  // F4, F5: undefined, dropped
    }
}
} // namespace

void MidiStreamParser::startChannelMessage (uint8_t status)
{
    message.assign (1, status);
    wanted = channelMessageLength (status);
    messageStart = feedTime;
}

void MidiStreamParser::feed (const uint8_t* bytes, size_t count, const Taker& take, long long time)
{
    bool counted = false;
    feedTime = time;
    for (size_t i = 0; i < count; ++i)
    {
        const uint8_t b = bytes[i];
        if (b >= 0xF8)
            continue;

        if (inSysex && b != 0xF7 && b >= 0x80)
        {
            inSysex = false;
            take (message, pieces, sysexStart);
            message.clear();
        }

        if (b == 0xF0)
        {
            message.assign (1, b);
            inSysex = true;
            pieces = 1;
            sysexStart = time;
            counted = true;
            wanted = 0;
            runningStatus = 0;
        }
        else if (b == 0xF7)
        {
            if (! inSysex)
                continue;
            if (! counted)
                ++pieces;
            counted = true;
            message.push_back (b);
            inSysex = false;
            take (message, pieces, sysexStart);
            message.clear();
        }
        else if (b >= 0xF0)
        {
            runningStatus = 0;
            message.assign (1, b);
            wanted = systemCommonLength (b);
            messageStart = time;
            if (wanted == 1)
            {
                take (message, 1, messageStart);
                wanted = 0;
            }
        }
        else if (b >= 0x80)
        {
            runningStatus = b;
            startChannelMessage (b);
        }
        else if (inSysex)
        {
            if (! counted)
                ++pieces;
            counted = true;
            message.push_back (b);
        }
        else
        {
            if (wanted == 0)
            {
                if (runningStatus == 0)
                    continue;  // data without a status: nothing to attach it to
                startChannelMessage (runningStatus);
            }
            message.push_back (b);
            if (message.size() == wanted)
            {
                take (message, 1, messageStart);
                wanted = 0;
            }
        }
    }
}
