#include "tests/alsa/InstrumentLogic.h"

#include <cstdio>
#include <cstring>
#include "sound/CcConversion.h"
#include "sound/FactorySoundSet.h"
#include "sound/SoundDump.h"

int kestraneCommand (const MidiBytes& m)
{
    if (m.size() < 6 || m[0] != 0xF0 || m[1] != 0x7D || m[2] != 0x2B || m.back() != 0xF7)
        return -1;
    return m[4];
}

InstrumentLogic::InstrumentLogic()
{
    // Program p is factory sound 27 - p under a name of its own, with its first Model knob
    // moved, so that no program matches the editor's own sound at that place.
    for (int p = 0; p < 28; ++p)
    {
        SoundRecord r;
        initSoundRecord (&r);
        parseSoundDump (&r, factorySoundSet + (27 - p) * soundDumpLength);
        char name[32];
        std::snprintf (name, sizeof (name), "K%02d %.14s", p, r.nameText());
        setCc (&r, 32, 40 + p, true);
        setSoundName (&r, name);
        MidiBytes dump (soundDumpLength);
        encodeSoundDump (&r, dump.data(), static_cast<uint8_t> (p));
        sounds.push_back (dump);
    }

    global = { 0xF0, 0x7D, 0x2B, 0x00, 0x12, 0x43, 0x3E, static_cast<uint8_t> (channel), 0x7F, 0x01, 0x02,
               0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xF7 };
    unsigned sum = 0;
    for (int i = 1; i <= 19; ++i)
        sum += global[static_cast<size_t> (i)];
    global[21] = static_cast<uint8_t> ((0u - sum) & 0x7F);
}

std::vector<MidiBytes> InstrumentLogic::answer (const MidiBytes& m) const
{
    switch (kestraneCommand (m))
    {
        case kestrane::probe:
            if (m.size() != 6)
                return {};
            return { { 0xF0, 0x7D, 0x2B, m[3], kestrane::probeAnswer, 0xF7 } };
        case kestrane::globalRequest:
            return { global };
        case kestrane::soundRequest:
            return sounds;
        default:
            return {};
    }
}

MidiBytes InstrumentLogic::programChange (int program)
{
    return { static_cast<uint8_t> (0xC0 | channel), static_cast<uint8_t> (program & 0x7F) };
}

MidiBytes InstrumentLogic::controlChange (int cc, int value)
{
    return { static_cast<uint8_t> (0xB0 | channel), static_cast<uint8_t> (cc & 0x7F),
             static_cast<uint8_t> (value & 0x7F) };
}
