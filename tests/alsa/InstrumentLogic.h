#pragma once
// What a Kestrane says in answer to what the editor sends, apart from how the bytes travel: the
// probe answer naming the output that the probe came on, its global dump for the global request
// and its 28 sound dumps for the sound request. Everything else it takes in silence.

#include <cstdint>
#include <vector>
#include "tests/alsa/MidiStreamParser.h"

class InstrumentLogic
{
public:
    // Its MIDI channel (0-based) in its global dump: neither 0 nor OMNI, so the editor's CCs
    // show that they took it (status 0xB5).
    static constexpr int channel = 5;

    InstrumentLogic();

    // Its programs 0..27 as 1330-byte dumps under their own program numbers. They are not the
    // editor's factory sounds, so a sound that the editor sends back shows where it came from.
    const std::vector<MidiBytes>& programs() const { return sounds; }
    const MidiBytes& globalDump() const { return global; }

    // The answers to one message from the editor, in the order they go out.
    std::vector<MidiBytes> answer (const MidiBytes& message) const;

    static MidiBytes programChange (int program);
    static MidiBytes controlChange (int cc, int value);

private:
    std::vector<MidiBytes> sounds;
    MidiBytes global;
};

// The command byte of one of the instrument's SysEx messages (F0 7D 2B d command ... F7), else -1.
int kestraneCommand (const MidiBytes& m);

namespace kestrane
{
constexpr int probe = 0x7A, probeAnswer = 0x7B, soundRequest = 0x00, globalRequest = 0x02,
              soundDump = 0x10, globalDumpCommand = 0x12;
}
