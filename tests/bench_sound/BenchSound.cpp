#include "sound/CcConversion.h"
#include "sound/FactorySoundSet.h"
#include "sound/SoundDump.h"
#include "sound/SoundFile.h"
#include "sound/SoundRecord.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

namespace
{
SoundVector factory()
{
    SoundVector v;
    importSoundDumps (&v, factorySoundSet, factorySoundSetLength, false);
    return v;
}

void encodeParse (benchmark::State& state)
{
    const SoundVector sounds = factory();
    uint8_t dump[soundDumpLength];
    SoundRecord r;
    initSoundRecord (&r);
    size_t i = 0;
    for (auto _ : state)
    {
        encodeSoundDump (&sounds[static_cast<int> (i++ % 28)], dump, 5);
        benchmark::DoNotOptimize (parseSoundDump (&r, dump));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed (static_cast<int64_t> (state.iterations()) * soundDumpLength);
}
BENCHMARK (encodeParse);

void memcpyDump (benchmark::State& state)
{
    uint8_t out[soundDumpLength];
    size_t i = 0;
    for (auto _ : state)
    {
        std::memcpy (out, factorySoundSet + (i++ % 28) * soundDumpLength, soundDumpLength);
        benchmark::DoNotOptimize (out);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed (static_cast<int64_t> (state.iterations()) * soundDumpLength);
}
BENCHMARK (memcpyDump);

// `count` different sounds, loaded with append into the factory list (duplicates tested throughout).
void loadDistinct (benchmark::State& state, int count)
{
    const std::string path = "/tmp/bench_sound-" + std::to_string (getpid()) + "-" + std::to_string (count) + ".ksx";
    {
        SoundVector many;
        many.records.reserve (static_cast<size_t> (count));
        const SoundVector base = factory();
        for (int i = 0; i < count; ++i)
        {
            SoundRecord r = base[i % 28];
            r.w[150] = static_cast<uint32_t> (i) & 0xFFFFFF;
            setCc (&r, 93, i & 0x7F, true);
            computeFingerprint (&r);
            many.append (r);
        }
        if (saveSoundFile (&many, path.c_str()) != count * soundDumpLength)
        {
            state.SkipWithError ("cannot write the sound file");
            return;
        }
    }
    for (auto _ : state)
    {
        state.PauseTiming();
        SoundVector list = factory();
        state.ResumeTiming();
        const int stored = loadSoundFile (&list, path.c_str(), true);
        if (stored != count)
            state.SkipWithError ("not every sound was stored");
        benchmark::DoNotOptimize (list.records.data());
        state.PauseTiming();
        list = SoundVector();
        state.ResumeTiming();
    }
    state.SetBytesProcessed (static_cast<int64_t> (state.iterations()) * count * soundDumpLength);
    ::unlink (path.c_str());
}

void load10000 (benchmark::State& state) { loadDistinct (state, 10000); }
BENCHMARK (load10000)->Unit (benchmark::kMillisecond);

void load100000 (benchmark::State& state) { loadDistinct (state, 100000); }
BENCHMARK (load100000)->Unit (benchmark::kMillisecond)->Iterations (3);
} // namespace
