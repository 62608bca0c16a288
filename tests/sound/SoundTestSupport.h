#pragma once
// Small fixtures shared by the sound tests.

#include "sound/CcConversion.h"
#include "sound/FactorySoundSet.h"
#include "sound/SoundDump.h"
#include "sound/SoundFile.h"
#include "sound/SoundRecord.h"

#include <cstdio>
#include <string>
#include <vector>
#include <unistd.h>

inline SoundRecord emptyRecord()
{
    SoundRecord r;
    initSoundRecord (&r);
    return r;
}

// A record with a name and a few distinct parameters, as the editor would make it.
inline SoundRecord namedRecord (const char* name, int seed = 0)
{
    SoundRecord r = emptyRecord();
    setSoundName (&r, name);
    installEditorCache (&r);
    setCc (&r, 93, (seed * 7) & 0x7F, true);
    setCc (&r, 88, (seed * 13 + 5) & 0x7F, true);
    r.w[150] = static_cast<uint32_t> (seed) & 0xFFFFFF;
    computeFingerprint (&r);
    return r;
}

inline std::vector<uint8_t> dumpOf (const SoundRecord& r, uint8_t program = 0)
{
    std::vector<uint8_t> d (soundDumpLength);
    encodeSoundDump (&r, d.data(), program);
    return d;
}

inline uint64_t fingerprintOf (const SoundRecord& r)
{
    return (uint64_t (r.w[1]) << 32) | r.w[0];
}

inline SoundVector factoryList()
{
    SoundVector v;
    importSoundDumps (&v, factorySoundSet, factorySoundSetLength, false);
    return v;
}

// A scratch folder removed with everything in it when the test ends.
class TempDir
{
public:
    TempDir()
    {
        char tmpl[] = "/tmp/ke-sound-XXXXXX";
        path = mkdtemp (tmpl);
    }
    ~TempDir() { std::system (("rm -rf '" + path + "'").c_str()); }
    std::string file (const char* name) const { return path + "/" + name; }
    std::string path;
};

inline void writeFile (const std::string& path, const std::vector<uint8_t>& bytes)
{
    FILE* f = std::fopen (path.c_str(), "wb");
    if (! bytes.empty())
        std::fwrite (bytes.data(), 1, bytes.size(), f);
    std::fclose (f);
}

inline std::vector<uint8_t> readFile (const std::string& path)
{
    std::vector<uint8_t> bytes;
    FILE* f = std::fopen (path.c_str(), "rb");
    if (f == nullptr)
        return bytes;
    int c;
    while ((c = std::fgetc (f)) != EOF)
        bytes.push_back (static_cast<uint8_t> (c));
    std::fclose (f);
    return bytes;
}

inline void append (std::vector<uint8_t>& to, const std::vector<uint8_t>& bytes)
{
    to.insert (to.end(), bytes.begin(), bytes.end());
}

inline std::vector<uint8_t> joined (std::initializer_list<std::vector<uint8_t>> parts)
{
    std::vector<uint8_t> bytes;
    for (const auto& p : parts)
        append (bytes, p);
    return bytes;
}
