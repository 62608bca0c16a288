// Loads a sound file into a list that holds the factory set, under an address-space limit: a
// process of its own, so that the limit binds nothing else and an abort is seen from outside.
// Usage: limited_load <limit in bytes> <append 0|1> <file>
// Prints the load's result, the list's size, how many of the 28 factory records are unchanged,
// and the names of the first and the last record, one per line.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/resource.h>
#include <vector>
#include "sound/FactorySoundSet.h"
#include "sound/SoundFile.h"

int main (int argc, char** argv)
{
    if (argc != 4)
        return 2;
    const rlim_t limit = std::strtoull (argv[1], nullptr, 10);
    const bool append = std::strcmp (argv[2], "1") == 0;

    SoundVector list;
    importSoundDumps (&list, factorySoundSet, factorySoundSetLength, false);
    const std::vector<SoundRecord> before = list.records;

    const rlimit bound { limit, limit };
    if (setrlimit (RLIMIT_AS, &bound) != 0)
        return 3;
    const int result = loadSoundFile (&list, argv[3], append);

    int unchanged = 0;
    for (size_t i = 0; i < before.size() && i < list.records.size(); ++i)
        unchanged += std::memcmp (&before[i], &list.records[i], sizeof (SoundRecord)) == 0 ? 1 : 0;
    std::printf ("%d\n%d\n%d\n%s\n%s\n", result, list.size(), unchanged, list.records.front().nameText(),
                 list.records.back().nameText());
    return 0;
}
