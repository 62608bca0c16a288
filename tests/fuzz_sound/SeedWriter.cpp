// Cuts the factory set into the seed corpus of fuzz_sound: whole sets, single dumps, the Standard
// MIDI File form, dumps cut short and dumps run together with junk.
#include <cstdint>
#include <cstdio>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace
{
constexpr size_t dumpLength = 1330;

bool writeSeed (const std::string& dir, const std::string& name, const std::vector<uint8_t>& bytes)
{
    FILE* f = std::fopen ((dir + "/" + name).c_str(), "wb");
    if (f == nullptr)
        return false;
    const bool ok = bytes.empty() || std::fwrite (bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose (f) == 0 && ok;
}
} // namespace

int main (int argc, char** argv)
{
    if (argc != 3)
    {
        std::fprintf (stderr, "usage: %s <factory set .ksx> <seed folder>\n", argv[0]);
        return 2;
    }
    std::vector<uint8_t> set;
    if (FILE* f = std::fopen (argv[1], "rb"))
    {
        int c;
        while ((c = std::fgetc (f)) != EOF)
            set.push_back (static_cast<uint8_t> (c));
        std::fclose (f);
    }
    if (set.size() != 28 * dumpLength)
    {
        std::fprintf (stderr, "%s: not a factory set\n", argv[1]);
        return 1;
    }
    const std::string dir = argv[2];
    std::string parent;
    for (size_t i = 1; i <= dir.size(); ++i)
        if (i == dir.size() || dir[i] == '/')
            ::mkdir (dir.substr (0, i).c_str(), 0777);

    auto dump = [&] (size_t i) {
        return std::vector<uint8_t> (set.begin() + static_cast<long> (i * dumpLength),
                                     set.begin() + static_cast<long> ((i + 1) * dumpLength));
    };
    bool ok = writeSeed (dir, "factory-set.ksx", set);
    for (size_t i : { 0u, 5u, 10u, 12u, 27u })
        ok &= writeSeed (dir, "dump-" + std::to_string (i), dump (i));

    std::vector<uint8_t> smf = { 'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0, 0x60, 'M', 'T', 'r', 'k', 0, 0, 0x05, 0x3A, 0x00, 0xF0, 0x8A, 0x31 };
    const auto d0 = dump (0);
    smf.insert (smf.end(), d0.begin() + 1, d0.end());
    smf.insert (smf.end(), { 0x00, 0xFF, 0x2F, 0x00 });
    ok &= writeSeed (dir, "smf-one-dump.mid", smf);

    // In packets: F0 alone, then a length in three bytes, a clock and a note between two packets.
    std::vector<uint8_t> packets = { 0x00, 0xF0, 0x00, 0x00, 0xF7, 0x80, 0x82, 0x00 };
    packets.insert (packets.end(), d0.begin() + 1, d0.begin() + 257);
    packets.insert (packets.end(), { 0x00, 0xF7, 0x01, 0xF8, 0x00, 0x90, 0x3C, 0x40, 0x00, 0xF7, 0x88, 0x31 });
    packets.insert (packets.end(), d0.begin() + 257, d0.end());
    ok &= writeSeed (dir, "smf-packets", packets);

    auto shortDump = dump (3);
    shortDump.resize (1290);
    shortDump.back() = 0x7F;
    shortDump.push_back (0xF7);
    ok &= writeSeed (dir, "short-dump", shortDump);

    std::vector<uint8_t> junk = { 0xF0, 0xF0, 0x01, 0xF0, 0x7D, 0x90 };
    const auto d1 = dump (1);
    junk.insert (junk.end(), d1.begin(), d1.begin() + 700);
    const auto d2 = dump (2);
    junk.insert (junk.end(), d2.begin(), d2.end());
    ok &= writeSeed (dir, "junk-and-dumps", junk);
    return ok ? 0 : 1;
}
