#include "sound/ByteReader.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace soundfile
{
bool ByteReader::skipPast (uint8_t byte)
{
    while (pushed > 0)
        if (back[--pushed] == byte)
            return true;
    for (;;)
    {
        if (pos == filled && ! fill())
            return false;
        const void* hit = std::memchr (buffer + pos, byte, filled - pos);
        if (hit != nullptr)
        {
            pos = static_cast<size_t> (static_cast<const uint8_t*> (hit) - buffer) + 1;
            return true;
        }
        pos = filled;
    }
}

size_t ByteReader::takeData (uint8_t* out, size_t max)
{
    size_t n = 0;
    while (pushed > 0 && n < max)
    {
        if (back[pushed - 1] >= 0x80)
            return n;
        out[n++] = static_cast<uint8_t> (back[--pushed]);
    }
    while (n < max)
    {
        if (pos == filled && ! fill())
            return n;
        const size_t avail = std::min (filled - pos, max - n);
        size_t k = 0;
        for (uint64_t eight; k + 8 <= avail; k += 8)
        {
            std::memcpy (&eight, buffer + pos + k, sizeof (eight));
            if ((eight & 0x8080808080808080ull) != 0)
                break;
        }
        while (k < avail && buffer[pos + k] < 0x80)
            ++k;
        std::memcpy (out + n, buffer + pos, k);
        pos += k;
        n += k;
        if (k < avail)
            return n;
    }
    return n;
}

bool ByteReader::fill()
{
    pos = filled = 0;
    while (left > 0)
    {
        const size_t want = left < static_cast<long long> (sizeof (buffer)) ? static_cast<size_t> (left) : sizeof (buffer);
        const ssize_t got = ::read (fd, buffer, want);
        if (got > 0)
        {
            filled = static_cast<size_t> (got);
            left -= got;
            return true;
        }
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            error = errno;
        left = 0;  // the end came early, or the file cannot be read on
    }
    return false;
}

void ByteReader::mark()
{
    journal = kept;
    journalSize = 0;
}

bool ByteReader::rewind()
{
    journal = nullptr;
    if (journalSize > journalCapacity)
        return false;
    for (int i = journalSize - 1; i >= 0; --i)
        back[pushed++] = kept[i];
    return true;
}

ReadOnlyFile::ReadOnlyFile (const char* path) : fd (::open (path, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY)) {}

ReadOnlyFile::~ReadOnlyFile()
{
    if (fd >= 0)
        ::close (fd);
}
} // namespace soundfile
