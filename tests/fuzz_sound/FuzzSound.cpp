// Untrusted bytes through every reader of sound dumps: the parse (as the MIDI queue hands it an
// entry), the memory import and the file scan, in both storing modes.
#include "sound/CcConversion.h"
#include "sound/SoundDump.h"
#include "sound/SoundFile.h"
#include "sound/SoundRecord.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <unistd.h>

namespace
{
const std::string& scratchPath()
{
    static const std::string path = "/tmp/fuzz_sound-" + std::to_string (getpid()) + ".ksx";
    static const bool registered = std::atexit ([] { ::unlink (scratchPath().c_str()); }) == 0;
    (void) registered;
    return path;
}

SoundVector smallList()
{
    SoundVector v;
    for (int i = 0; i < 3; ++i)
    {
        SoundRecord r;
        initSoundRecord (&r);
        setSoundName (&r, i == 0 ? "one" : i == 1 ? "two" : "three");
        v.append (r);
    }
    return v;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput (const uint8_t* data, size_t size)
{
    if (size > (1u << 20))
        return 0;

    // A queue entry: 2048 bytes, the message at its start.
    uint8_t entry[2048] = {};
    std::memcpy (entry, data, size < sizeof (entry) ? size : sizeof (entry));
    SoundRecord r;
    initSoundRecord (&r);
    if (parseSoundDump (&r, entry) >= 0)
    {
        // What a parse accepted travels unchanged through its own dump.
        uint8_t dump[soundDumpLength];
        encodeSoundDump (&r, dump, 1);
        SoundRecord again;
        initSoundRecord (&again);
        if (parseSoundDump (&again, dump) != 1)
            std::abort();
        if (std::memcmp (again.w + 12, r.w + 12, (359 - 12) * sizeof (uint32_t)) != 0
            || again.w[0] != r.w[0] || again.w[1] != r.w[1])
            std::abort();
        for (int cc = 0; cc < 128; ++cc)
            if (getCc (&r, cc, true) > 127)
                std::abort();
        normaliseSound (&r);
    }

    // The memory import on an exact-size copy, so that any read past the end is caught.
    std::unique_ptr<uint8_t[]> exact (new uint8_t[size + 1]);
    std::memcpy (exact.get(), data, size);
    for (bool append : { true, false })
    {
        SoundVector v = smallList();
        const int n = importSoundDumps (&v, exact.get(), static_cast<int> (size), append);
        if (n < 0 || v.size() < 3)
            std::abort();
    }

    const std::string& path = scratchPath();
    if (FILE* f = std::fopen (path.c_str(), "wb"))
    {
        const bool written = size == 0 || std::fwrite (data, 1, size, f) == size;
        std::fclose (f);
        if (written)
        {
            for (bool append : { true, false })
            {
                SoundVector v = smallList();
                const int n = loadSoundFile (&v, path.c_str(), append);
                if (n < 0 || v.size() < 3 || (append && v.size() != 3 + n))
                    std::abort();
            }
        }
    }
    return 0;
}
