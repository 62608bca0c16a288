#pragma once
// Programs that the session driver starts: the editor, the instrument, xdotool. Every wait on
// them has a limit.

#include <string>
#include <sys/types.h>
#include <vector>

class Subprocess
{
public:
    Subprocess() = default;
    ~Subprocess();  // kills what is still running
    Subprocess (const Subprocess&) = delete;
    Subprocess& operator= (const Subprocess&) = delete;

    // Starts args[0] with its output (stdout and stderr) appended to `outputFile` (or /dev/null).
    bool start (const std::vector<std::string>& args, const std::string& outputFile = {});
    bool running();
    // SIGTERM, then SIGKILL when it has not gone after `graceMs`. True once it has gone.
    bool stop (int graceMs);
    bool kill();  // SIGKILL and reap
    pid_t pid() const { return child; }

private:
    bool waitGone (int timeoutMs);
    pid_t child = -1;
};

// Runs a command to its end (killed after `timeoutMs`) and returns its exit status (-1 for a
// time-out or a failed start), its standard output in `output`.
int runCommand (const std::vector<std::string>& args, int timeoutMs, std::string* output = nullptr);

long long monotonicUs();
void sleepMs (int ms);
