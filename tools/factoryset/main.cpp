#include "tools/factoryset/FactorySetGenerator.h"

#include <cstdio>

int main (int argc, char** argv)
{
    if (argc != 2)
    {
        std::fprintf (stderr, "usage: %s <output.ksx>\n", argv[0]);
        return 2;
    }
    std::string error;
    const auto bytes = generateFactorySet (error);
    if (bytes.empty())
    {
        std::fprintf (stderr, "factoryset: %s\n", error.c_str());
        return 1;
    }
    FILE* f = std::fopen (argv[1], "wb");
    if (f == nullptr || std::fwrite (bytes.data(), 1, bytes.size(), f) != bytes.size() || std::fclose (f) != 0)
    {
        std::fprintf (stderr, "factoryset: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
