#include "tools/factoryset/FactorySetGenerator.h"

#include "sound/CcConversion.h"
#include "sound/SoundDump.h"
#include "sound/SoundRecord.h"

#include <cstring>
#include <utility>

namespace
{
constexpr uint64_t tinesFingerprint = 0x86EACF550A768CA2ull;

// Raw words of the sound whose meaning the editor does not know; with three words 24 apart their
// 72 bits reach every fingerprint, so the first sound can be given the factory one.
constexpr int solveWords[3] = { 150, 174, 198 };

// Effect-enable mask bits.
enum : int { chorus = 1, flanger = 2, phaser = 4, echoVerb = 8, autoWah = 16, equaliser = 32, overdrive = 64 };

struct Sound
{
    const char* name;
    int engine, sample;
    int mix, layerSource;       // layerSource: index into layerSources, -1 without a layer
    int effects;
    std::vector<std::pair<int, int>> ccs;  // departures from the defaults below
    bool bars;                  // bar decay and tine decay of a bar-voiced model
};

struct LayerSource
{
    const char* name;
    int engine, sample;
};

const LayerSource layerSources[] = {
    { "FM Piano", 2, 0 },        // 0
    { "Synthetic Pad", 1, 8 },   // 1
    { "Strings", 1, 4 },         // 2
    { "Tines", 0, 0 },           // 3
    { "Scenic Roads", 0, 0 },    // 4
};

// CC values of every parameter with a known raw form (the curve-4 decays are set as raw words).
const std::pair<int, int> defaults[] = {
    { 32, 64 }, { 33, 90 }, { 34, 100 }, { 37, 60 }, { 38, 64 }, { 39, 70 }, { 41, 40 }, { 42, 64 },
    { 43, 50 }, { 44, 40 }, { 45, 30 }, { 46, 64 }, { 47, 0 },
    { 71, 30 }, { 92, 0 }, { 13, 50 }, { 93, 64 }, { 14, 40 }, { 94, 64 }, { 15, 30 }, { 95, 64 },
    { 16, 40 }, { 91, 30 }, { 12, 40 }, { 19, 50 }, { 20, 1 }, { 85, 64 }, { 86, 64 }, { 87, 64 },
    { 88, 64 }, { 90, 40 }, { 18, 64 }, { 26, 0 },
};

const Sound sounds[28] = {
    { "Tines", 0, 0, 0, -1, echoVerb, {}, false },
    { "Bars", 0, 0, 0, -1, echoVerb, { { 34, 30 }, { 37, 110 }, { 39, 84 } }, true },
    { "Reeds", 0, 2, 0, -1, 0, { { 47, 2 }, { 32, 80 }, { 39, 90 } }, true },
    { "Grand Piano", 1, 0, 0, -1, echoVerb, { { 91, 40 } }, false },
    { "Electric Grand", 1, 1, 0, -1, chorus, { { 93, 50 } }, false },
    { "FM Piano", 2, 0, 0, -1, chorus | echoVerb, {}, false },
    { "Clavinet", 1, 2, 0, -1, equaliser, { { 88, 80 }, { 85, 56 } }, false },
    { "Tines Chorus", 0, 0, 0, -1, chorus | echoVerb, { { 93, 90 }, { 14, 30 } }, false },
    { "Scenic Roads", 0, 0, 0, -1, echoVerb, { { 92, 70 }, { 13, 60 }, { 32, 76 } }, false },
    { "Phased Reeds", 0, 2, 0, -1, phaser, { { 47, 2 }, { 95, 80 }, { 16, 34 } }, true },
    { "Grand + FM", 1, 0, 12, 0, echoVerb, {}, false },
    { "Chorus Electric", 1, 1, 0, -1, chorus, { { 93, 80 }, { 14, 52 } }, false },
    { "FM + Pad", 2, 0, 17, 1, echoVerb, { { 91, 50 } }, false },
    { "Mad Clavinet", 1, 3, 0, -1, overdrive | autoWah, { { 90, 90 }, { 18, 80 } }, false },
    { "Tines Phased", 0, 0, 0, -1, phaser, { { 95, 70 }, { 16, 28 } }, false },
    { "Scenic Drive", 0, 0, 0, -1, overdrive, { { 92, 60 }, { 13, 56 }, { 90, 70 }, { 26, 1 } }, false },
    { "Fuzz Reeds", 0, 2, 0, -1, overdrive, { { 47, 3 }, { 90, 110 }, { 18, 90 } }, true },
    { "Piano+Strings", 1, 0, 13, 2, echoVerb, { { 91, 44 } }, false },
    { "Electric Kitsch", 1, 1, 17, 2, chorus, { { 93, 70 } }, false },
    { "FM + Model", 2, 0, 117, 3, echoVerb, {}, false },
    { "AutoWah Clavinet", 1, 3, 0, -1, autoWah, {}, false },
    { "Tines Driven", 0, 0, 0, -1, overdrive, { { 90, 80 }, { 18, 70 }, { 34, 110 } }, false },
    { "Scenic Phase", 0, 0, 127, 4, phaser, { { 92, 60 }, { 13, 60 }, { 95, 60 } }, false },
    { "Flanged Reeds", 0, 2, 0, -1, flanger, { { 47, 2 }, { 94, 80 }, { 15, 24 } }, true },
    { "Messy Upright", 1, 9, 0, -1, echoVerb | overdrive, { { 90, 30 }, { 91, 60 } }, false },
    { "Electric Goo", 1, 1, 14, 1, chorus | flanger, { { 93, 96 }, { 94, 50 } }, false },
    { "Orchestra", 1, 7, 35, 1, echoVerb, { { 91, 70 } }, false },
    { "Drama Strings", 1, 5, 0, -1, echoVerb, { { 91, 80 }, { 19, 70 } }, false },
};

uint64_t fingerprintOf (const SoundRecord& r)
{
    return (uint64_t (r.w[1]) << 32) | r.w[0];
}

// The name as the instrument packs it: its characters, then NULs.
void setDumpName (SoundRecord& r, const char* text)
{
    std::memset (r.nameText(), 0, 19);
    std::strncpy (r.nameText(), text, 18);
    const char* n = r.nameText();
    for (int k = 0; k < 6; ++k)
        r.w[SoundRecord::packedName + k] = (uint32_t (uint8_t (n[3 * k])) << 16)
                                         | (uint32_t (uint8_t (n[3 * k + 1])) << 8) | uint8_t (n[3 * k + 2]);
}

SoundRecord makeSound (const char* name, int engine, int sample, int effects,
                       const std::vector<std::pair<int, int>>& ccs, bool bars)
{
    SoundRecord r;
    initSoundRecord (&r);
    setDumpName (r, name);
    r.w[SoundRecord::engineType] = static_cast<uint32_t> (engine);
    for (const auto& p : defaults)
        ccToRaw (&r, p.first, p.second, true);
    for (const auto& p : ccs)
        ccToRaw (&r, p.first, p.second, true);
    ccToRaw (&r, 70, sample, true);
    r.w[83] = bars ? 0x5A666 : 0x2CCCC;  // tine decay
    r.w[84] = 0x3C51E;                   // tine release
    r.w[86] = bars ? 0x347 : 0x380;      // bar decay
    r.w[96] = 0x7FFF3A;
    r.w[SoundRecord::effectMask] = static_cast<uint32_t> (effects) << 2;
    r.w[SoundRecord::effectSwitchReset] = 0;
    return r;
}

// The cache as the instrument sends it: presets, the layer mix, every other slot empty.
void setDumpCache (SoundRecord& r)
{
    r.w[SoundRecord::cacheMarker] = 0;
    installEditorCache (&r);
    const int mix = static_cast<int> (r.w[SoundRecord::layerMix]);
    r.w[SoundRecord::layerMix] = 0;
    setCc (&r, 73, mix, true);
}

// Solves for the bits of solveWords that give the record the target fingerprint.
bool solveFingerprint (SoundRecord& r, uint64_t target)
{
    for (int word : solveWords)
        r.w[word] = 0;
    computeFingerprint (&r);
    const uint64_t base = fingerprintOf (r);

    constexpr int unknowns = 72;
    uint64_t column[unknowns];
    for (int u = 0; u < unknowns; ++u)
    {
        SoundRecord t = r;
        t.w[solveWords[u / 24]] ^= 1u << (u % 24);
        computeFingerprint (&t);
        column[u] = fingerprintOf (t) ^ base;
    }

    // Gaussian elimination on the 64 x 72 system, one row per fingerprint bit.
    struct Row { uint64_t lo; uint8_t hi; bool rhs; };
    Row rows[64];
    const uint64_t want = target ^ base;
    for (int b = 0; b < 64; ++b)
    {
        rows[b] = { 0, 0, ((want >> b) & 1) != 0 };
        for (int u = 0; u < unknowns; ++u)
            if ((column[u] >> b) & 1)
            {
                if (u < 64) rows[b].lo |= 1ull << u;
                else        rows[b].hi |= uint8_t (1u << (u - 64));
            }
    }
    auto bit = [] (const Row& row, int u) { return u < 64 ? ((row.lo >> u) & 1) != 0 : ((row.hi >> (u - 64)) & 1) != 0; };
    int pivotOf[64];
    int rank = 0;
    for (int u = 0; u < unknowns && rank < 64; ++u)
    {
        int p = rank;
        while (p < 64 && ! bit (rows[p], u))
            ++p;
        if (p == 64)
            continue;
        std::swap (rows[p], rows[rank]);
        for (int i = 0; i < 64; ++i)
            if (i != rank && bit (rows[i], u))
            {
                rows[i].lo ^= rows[rank].lo;
                rows[i].hi ^= rows[rank].hi;
                rows[i].rhs ^= rows[rank].rhs;
            }
        pivotOf[rank++] = u;
    }
    if (rank < 64)
        return false;
    for (int i = 0; i < 64; ++i)
        if (rows[i].rhs)
            r.w[solveWords[pivotOf[i] / 24]] ^= 1u << (pivotOf[i] % 24);
    computeFingerprint (&r);
    return fingerprintOf (r) == target;
}

bool matchesFactory (uint64_t fp)
{
    for (int i = 0; i < 28; ++i)
        if (((uint64_t (factoryFingerprints[2 * i + 1]) << 32) | factoryFingerprints[2 * i]) == fp)
            return true;
    return false;
}
} // namespace

std::vector<uint8_t> generateFactorySet (std::string& error)
{
    SoundRecord records[28];
    for (int i = 0; i < 28; ++i)
    {
        const Sound& s = sounds[i];
        records[i] = makeSound (s.name, s.engine, s.sample, s.effects, s.ccs, s.bars);
    }
    for (int i = 0; i < 28; ++i)
    {
        const Sound& s = sounds[i];
        if (s.layerSource < 0)
            continue;
        const LayerSource& l = layerSources[s.layerSource];
        SoundRecord source = makeSound (l.name, l.engine, l.sample, 0, {}, false);
        for (int j = 0; j < 28; ++j)
            if (std::strcmp (sounds[j].name, l.name) == 0)
                source = records[j];
        copyIntoLayer (&records[i], &source);
        setLayerName (&records[i], l.name);
        records[i].w[SoundRecord::layerMix] = static_cast<uint32_t> (s.mix);
    }
    for (auto& r : records)
        setDumpCache (r);
    if (! solveFingerprint (records[0], tinesFingerprint))
    {
        error = "no raw words reach the first sound's fingerprint";
        return {};
    }

    std::vector<uint8_t> out (28 * soundDumpLength);
    uint64_t seen[28];
    for (int i = 0; i < 28; ++i)
    {
        uint8_t* dump = out.data() + i * soundDumpLength;
        encodeSoundDump (&records[i], dump, static_cast<uint8_t> (i));

        // Check every dump as the editor will read it.
        SoundRecord parsed;
        initSoundRecord (&parsed);
        SoundRecord unnamed = records[i];
        computeFingerprint (&unnamed);
        seen[i] = fingerprintOf (unnamed);
        if (parseSoundDump (&parsed, dump) != i)
        {
            error = "dump " + std::to_string (i) + " does not parse";
            return {};
        }
        if (std::memcmp (parsed.w + 12, unnamed.w + 12, (359 - 12) * sizeof (uint32_t)) != 0 && i != 0)
        {
            error = "dump " + std::to_string (i) + " does not carry its record";
            return {};
        }
        if ((i == 0) != matchesFactory (seen[i]))
        {
            error = "dump " + std::to_string (i) + (i == 0 ? " lacks" : " has") + " a factory fingerprint";
            return {};
        }
        if (std::strcmp (parsed.nameText(), sounds[i].name) != 0)
        {
            error = "dump " + std::to_string (i) + " is named " + parsed.nameText();
            return {};
        }
        for (int j = 0; j < i; ++j)
            if (seen[j] == seen[i])
            {
                error = "dumps " + std::to_string (j) + " and " + std::to_string (i) + " share a fingerprint";
                return {};
            }
    }
    return out;
}
