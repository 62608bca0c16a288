#pragma once
// The session driver's view of an instrument's log: every message that it took and sent, with
// the time on the monotonic clock. The log grows while the instrument runs (and across its
// restarts); poll() reads what was added.

#include <string>
#include <vector>
#include "tests/alsa/MidiStreamParser.h"

struct LoggedMessage
{
    long long timeUs = 0;
    bool incoming = false;  // false: the instrument sent it
    MidiBytes bytes;
    int pieces = 0;         // how many reads an incoming message took
    long long startedUs = 0; // when its first piece came
};

class InstrumentLog
{
public:
    explicit InstrumentLog (std::string path) : file (std::move (path)) {}

    void poll();

    std::vector<LoggedMessage> messages;  // in the order logged
    std::vector<std::string> notes;       // "ready ...", "note ..."
    int readyCount = 0;
    long long droppedBytes = 0;           // what the raw device had no room for, all told

private:
    void takeLine (const std::string& line);

    std::string file;
    long long offset = 0;
    std::string partial;
};

// Messages that the instrument took, from index `from` on.
std::vector<LoggedMessage> incomingSince (const InstrumentLog& log, size_t from);
std::string hexOf (const MidiBytes& m, size_t maxBytes = 16);
