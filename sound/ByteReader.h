#pragma once
// The bytes of a regular file as the dump scans read them.

#include <cstddef>
#include <cstdint>

namespace soundfile
{
// The bytes of a regular file, up to the size it had when opened (a file that grows meanwhile
// cannot keep the scan going), with a few bytes of push-back.
class ByteReader
{
public:
    ByteReader (int f, long long size) : fd (f), left (size) {}

    int next()
    {
        if (pushed > 0)
            return back[--pushed];
        if (pos == filled && ! fill())
            return -1;
        return buffer[pos++];
    }

    // Passes over everything up to and including the next `byte`; false at the end.
    bool skipPast (uint8_t byte);

    // Copies data bytes (below 0x80) into `out`, at most `max` of them, stopping before any other
    // byte and at the end; returns how many.
    size_t takeData (uint8_t* out, size_t max);

    // Bytes come back out in the reverse order of pushing; at most 16 wait at a time.
    void pushBack (int byte) { back[pushed++] = byte; }

private:
    bool fill();

    int fd;
    long long left;
    uint8_t buffer[1 << 16];
    size_t pos = 0, filled = 0;
    int back[16];
    int pushed = 0;
};

// Open without waiting: a FIFO without a writer must not hold the caller.
struct ReadOnlyFile
{
    explicit ReadOnlyFile (const char* path);
    ~ReadOnlyFile();
    const int fd;
};
} // namespace soundfile
