#include "tests/alsa/InstrumentLog.h"

#include <cstdio>
#include <sstream>

void InstrumentLog::poll()
{
    FILE* f = std::fopen (file.c_str(), "rb");
    if (f == nullptr)
        return;
    if (std::fseek (f, offset, SEEK_SET) == 0)
    {
        char buf[65536];
        size_t n;
        while ((n = std::fread (buf, 1, sizeof (buf), f)) > 0)
        {
            offset += static_cast<long long> (n);
            partial.append (buf, n);
        }
    }
    std::fclose (f);
    for (size_t nl; (nl = partial.find ('\n')) != std::string::npos;)
    {
        takeLine (partial.substr (0, nl));
        partial.erase (0, nl + 1);
    }
}

void InstrumentLog::takeLine (const std::string& line)
{
    std::istringstream in (line);
    long long t = 0;
    std::string kind;
    if (! (in >> t >> kind))
        return;
    if (kind == "in" || kind == "out")
    {
        LoggedMessage m;
        m.timeUs = t;
        m.incoming = kind == "in";
        std::string h;
        in >> h >> m.pieces >> m.startedUs;
        if (m.startedUs == 0)
            m.startedUs = t;
        for (size_t i = 0; i + 1 < h.size(); i += 2)
            m.bytes.push_back (static_cast<uint8_t> (std::stoi (h.substr (i, 2), nullptr, 16)));
        messages.push_back (std::move (m));
        return;
    }
    if (kind == "xrun")
    {
        long long n = 0;
        in >> n;
        droppedBytes += n;
        return;
    }
    if (kind == "ready")
        ++readyCount;
    notes.push_back (line.substr (line.find (kind)));
}

std::vector<LoggedMessage> incomingSince (const InstrumentLog& log, size_t from)
{
    std::vector<LoggedMessage> r;
    for (size_t i = from; i < log.messages.size(); ++i)
        if (log.messages[i].incoming)
            r.push_back (log.messages[i]);
    return r;
}

std::string hexOf (const MidiBytes& m, size_t maxBytes)
{
    std::string s;
    char b[4];
    for (size_t i = 0; i < m.size() && i < maxBytes; ++i)
    {
        std::snprintf (b, sizeof (b), i ? " %02X" : "%02X", m[i]);
        s += b;
    }
    if (m.size() > maxBytes)
        s += " ... (" + std::to_string (m.size()) + " bytes)";
    return s;
}
