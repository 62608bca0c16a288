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
        int b;
        if (pushed > 0)
            b = back[--pushed];
        else if (pos == filled && ! fill())
            return -1;
        else
            b = buffer[pos++];
        if (journal != nullptr)
            record (b);
        return b;
    }

    // Passes over everything up to and including the next `byte`; false at the end.
    bool skipPast (uint8_t byte);

    // Copies data bytes (below 0x80) into `out`, at most `max` of them, stopping before any other
    // byte and at the end; returns how many.
    size_t takeData (uint8_t* out, size_t max);

    // Un-reads the byte read last (or, after rewind, the byte that it gave back last): bytes come
    // back out in the reverse order of pushing. At most 16 wait at a time besides a rewind's.
    void pushBack (int byte)
    {
        back[pushed++] = byte;
        if (journal != nullptr && journalSize > 0)
            --journalSize;
    }

    // From mark() on the bytes that next() gives are kept, so that rewind() can give them back (when
    // no more than journalCapacity of them were read) and read them again. Either ends the marking.
    void mark();
    bool rewind();
    void unmark() { journal = nullptr; }

    // The errno of a read that failed before the end, 0 when none did.
    int readError() const { return error; }

private:
    bool fill();
    void record (int b)
    {
        if (journalSize < journalCapacity)
            journal[journalSize] = b;
        ++journalSize;
    }

    int fd;
    long long left;
    int error = 0;
    uint8_t buffer[1 << 16];
    size_t pos = 0, filled = 0;
    static constexpr int journalCapacity = 64;
    int back[16 + journalCapacity];
    int pushed = 0;
    int kept[journalCapacity];
    int* journal = nullptr;
    int journalSize = 0;
};

// Open without waiting: a FIFO without a writer must not hold the caller.
struct ReadOnlyFile
{
    explicit ReadOnlyFile (const char* path);
    ~ReadOnlyFile();
    const int fd;
};
} // namespace soundfile
