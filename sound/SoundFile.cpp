#include "sound/SoundFile.h"
#include "sound/ByteReader.h"
#include "sound/CcConversion.h"
#include "sound/KsxScan.h"
#include "sound/SoundDump.h"
#include "sound/StoringRules.h"

#include <cerrno>
#include <sys/stat.h>
#include <vector>

using namespace soundfile;

int importSoundDumps (SoundVector* list, const uint8_t* data, int length, bool append)
{
    DumpCollector dumps (append);
    try
    {
        int pos = 0;
        while (pos < length)
        {
            if (data[pos] != 0xF0)
            {
                ++pos;
                continue;
            }
            if (pos + 1 >= length)
                break;
            if (data[pos + 1] != 0x7D)
            {
                // The dumps before it are stored all the same.
                return storeDumps (list, dumps, append, nullptr) < 0 ? -2 : 0;
            }
            int end = -1;
            const int last = length - 1 - pos < soundDumpLength - 1 ? length - 1 - pos : soundDumpLength - 1;
            for (int k = 5; k <= last; ++k)
            {
                if (data[pos + k] == 0xF7)
                {
                    end = pos + k;
                    break;
                }
            }
            if (end < 0)
            {
                ++pos;
                continue;
            }
            dumps.add (data + pos, end - pos + 1, true);
            pos = end;
        }
    }
    catch (const std::bad_alloc&)
    {
        return -2;
    }
    return storeDumps (list, dumps, append, nullptr);
}

FileProblem fileProblemOf (int error)
{
    switch (error)
    {
        case 0: return FileProblem::none;
        case EROFS: return FileProblem::readOnly;
        case ENOSPC: case EDQUOT: case EFBIG: return FileProblem::diskFull;
        case EISDIR: return FileProblem::isFolder;
        case ENOENT: case ENOTDIR: return FileProblem::notFound;
        case EACCES: case EPERM: return FileProblem::noPermission;
        case ENOMEM: return FileProblem::noMemory;
        default: return FileProblem::diskError;
    }
}

int loadSoundFile (SoundVector* list, const char* path, bool append, const juce::CriticalSection* listLock,
                   FileProblem* problem)
{
    FileProblem why = FileProblem::none;
    const auto done = [&why, problem] (int result)
    {
        if (problem != nullptr)
            *problem = why;
        return result;
    };
    DumpCollector dumps (append);
    {
        const ReadOnlyFile file (path);
        struct stat info {};
        // Only a regular file has an end; a link to one is followed by the open.
        if (file.fd < 0 || ::fstat (file.fd, &info) != 0)
            return why = fileProblemOf (errno), done (-2);
        if (! S_ISREG (info.st_mode))
            return why = S_ISDIR (info.st_mode) ? FileProblem::isFolder : FileProblem::notRegular, done (-2);
        try
        {
            ByteReader in (file.fd, static_cast<long long> (info.st_size));
            scanFile (in, dumps);
            if (in.readError() != 0)
                why = FileProblem::unreadable;
        }
        catch (const std::bad_alloc&)
        {
            return why = FileProblem::noMemory, done (-2);
        }
    }
    if (dumps.soundsRead == 0 && why == FileProblem::none)
        why = FileProblem::noSound;
    const int stored = storeDumps (list, dumps, append, listLock);
    if (stored < 0)
        why = FileProblem::noMemory;
    return done (stored);
}

std::vector<uint8_t> encodeSoundFile (SoundVector* list)
{
    const int n = list->size();
    std::vector<uint8_t> bytes (static_cast<size_t> (n) * soundDumpLength);
    for (int i = 0; i < n; ++i)
    {
        SoundRecord& r = (*list)[i];
        normaliseSound (&r);
        if (r.w[0] == 0 && r.w[1] == 0)
            computeFingerprint (&r);
        encodeSoundDump (&r, bytes.data() + static_cast<size_t> (i) * soundDumpLength, static_cast<uint8_t> (i & 0x7F));
    }
    return bytes;
}

int saveSoundFile (SoundVector* list, const char* path, FileProblem* problem)
{
    if (list->size() == 0)
        return -1;
    std::vector<uint8_t> bytes;
    try
    {
        bytes = encodeSoundFile (list);
    }
    catch (const std::bad_alloc&)
    {
        if (problem != nullptr)
            *problem = FileProblem::noMemory;
        return -2;
    }
    return writeSoundFile (bytes, path, problem);
}
