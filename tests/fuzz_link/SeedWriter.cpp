// Writes the seeds of fuzz_link: short sessions in its chunk form (two length bytes, then one
// message; length 0 runs a tick), made from the factory set.
#include <cstdio>
#include <string>
#include <vector>
#include <sys/stat.h>
#include "sound/FactorySoundSet.h"
#include "sound/SoundDump.h"

namespace
{
using Bytes = std::vector<unsigned char>;

struct Session
{
    Bytes bytes;
    explicit Session (unsigned char page) { bytes.push_back (page); }
    Session& msg (const Bytes& m)
    {
        bytes.push_back (static_cast<unsigned char> (m.size() & 0xFF));
        bytes.push_back (static_cast<unsigned char> ((m.size() >> 8) & 0x0F));
        bytes.insert (bytes.end(), m.begin(), m.end());
        return *this;
    }
    Session& tick() { bytes.push_back (0); bytes.push_back (0); return *this; }
};

Bytes dump (int sound, int program)
{
    Bytes d (factorySoundSet + sound * soundDumpLength, factorySoundSet + (sound + 1) * soundDumpLength);
    d[5] = static_cast<unsigned char> (program);
    return d;
}

Bytes globalDump (unsigned char channel)
{
    Bytes g = { 0xF0, 0x7D, 0x2B, 0x00, 0x12, 0x40, 0x40, channel, 0x7F, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xF7 };
    unsigned sum = 0;
    for (int i = 1; i <= 19; ++i)
        sum += g[static_cast<size_t> (i)];
    g[21] = static_cast<unsigned char> ((0u - sum) & 0x7F);
    return g;
}
} // namespace

int main (int argc, char** argv)
{
    if (argc != 2)
        return 2;
    const std::string dir = argv[1];
    ::mkdir (dir.c_str(), 0755);

    std::vector<Session> seeds;
    seeds.push_back (Session (0).msg ({ 0xF0, 0x7D, 0x2B, 0x01, 0x7B, 0xF7 }).msg (globalDump (5)).tick());
    seeds.push_back (Session (0).msg (dump (12, 5)).tick().msg ({ 0xC0, 5 }).tick().msg ({ 0xB0, 7, 100 }).tick());
    seeds.push_back (Session (0x41).msg (dump (5, 127)).msg ({ 0xC3, 28 }).tick().msg ({ 0xC0, 28 }).tick());
    seeds.push_back (Session (0x42).msg ({ 0xC0, 0 }).tick().msg ({ 0xB2, 22, 1 }).msg ({ 0xB0, 73, 64 }).tick());
    seeds.push_back (Session (0x43).msg ({ 0xB0, 70, 9 }).msg ({ 0xB0, 71, 127 }).tick().msg ({ 0xC0, 3 }).tick());
    seeds.push_back (Session (0x44).msg ({ 0xB0, 30, 0 }).msg ({ 0xB0, 31, 127 }).tick().msg ({ 0xC0, 10 }).tick());
    {
        Session flood (0x40);
        for (int i = 0; i < 64; ++i)
            flood.msg (dump (i % 28, i % 2 ? 127 : i % 28));
        seeds.push_back (flood.tick());
    }
    {
        Bytes oversized (2100, 0x11);
        oversized[0] = 0xF0; oversized[1] = 0x7D; oversized[2] = 0x2B; oversized[3] = 0; oversized[4] = 0x10;
        oversized[5] = 3; oversized.back() = 0xF7;
        Bytes cut = dump (7, 8);
        cut.resize (700);
        seeds.push_back (Session (0x81).msg (oversized).msg (cut).msg ({ 0xF0, 0xF7 }).tick().msg (globalDump (16)).tick());
    }

    for (size_t i = 0; i < seeds.size(); ++i)
    {
        const std::string path = dir + "/seed-" + std::to_string (i);
        FILE* f = std::fopen (path.c_str(), "wb");
        if (f == nullptr)
            return 1;
        std::fwrite (seeds[i].bytes.data(), 1, seeds[i].bytes.size(), f);
        std::fclose (f);
    }
    return 0;
}
