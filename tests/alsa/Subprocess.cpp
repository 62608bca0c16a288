#include "tests/alsa/Subprocess.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

long long monotonicUs()
{
    timespec t {};
    clock_gettime (CLOCK_MONOTONIC, &t);
    return static_cast<long long> (t.tv_sec) * 1000000 + t.tv_nsec / 1000;
}

void sleepMs (int ms)
{
    usleep (static_cast<useconds_t> (ms) * 1000);
}

namespace
{
std::vector<char*> argvOf (const std::vector<std::string>& args)
{
    std::vector<char*> v;
    for (auto& a : args)
        v.push_back (const_cast<char*> (a.c_str()));
    v.push_back (nullptr);
    return v;
}
} // namespace

Subprocess::~Subprocess()
{
    kill();
}

bool Subprocess::start (const std::vector<std::string>& args, const std::string& outputFile)
{
    if (args.empty() || child > 0)
        return false;
    const int out = ::open (outputFile.empty() ? "/dev/null" : outputFile.c_str(),
                            O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (out < 0)
        return false;
    auto argv = argvOf (args);
    const pid_t p = fork();
    if (p == 0)
    {
        dup2 (out, 1);
        dup2 (out, 2);
        const int null = ::open ("/dev/null", O_RDONLY);
        dup2 (null, 0);
        execv (argv[0], argv.data());
        _exit (127);
    }
    ::close (out);
    if (p < 0)
        return false;
    child = p;
    return true;
}

bool Subprocess::running()
{
    if (child <= 0)
        return false;
    int status = 0;
    if (waitpid (child, &status, WNOHANG) == child)
    {
        child = -1;
        return false;
    }
    return true;
}

bool Subprocess::waitGone (int timeoutMs)
{
    const long long end = monotonicUs() + timeoutMs * 1000LL;
    while (running())
    {
        if (monotonicUs() > end)
            return false;
        sleepMs (10);
    }
    return true;
}

bool Subprocess::stop (int graceMs)
{
    if (! running())
        return true;
    ::kill (child, SIGTERM);
    if (waitGone (graceMs))
        return true;
    return kill();
}

bool Subprocess::kill()
{
    if (! running())
        return true;
    ::kill (child, SIGKILL);
    return waitGone (5000);
}

int runCommand (const std::vector<std::string>& args, int timeoutMs, std::string* output)
{
    int fds[2];
    if (pipe2 (fds, O_CLOEXEC) != 0)
        return -1;
    auto argv = argvOf (args);
    const pid_t p = fork();
    if (p == 0)
    {
        dup2 (fds[1], 1);
        const int null = ::open ("/dev/null", O_RDWR);
        dup2 (null, 0);
        dup2 (null, 2);
        execvp (argv[0], argv.data());
        _exit (127);
    }
    ::close (fds[1]);
    if (p < 0)
    {
        ::close (fds[0]);
        return -1;
    }
    std::string text;
    const long long end = monotonicUs() + timeoutMs * 1000LL;
    bool timedOut = false;
    for (;;)
    {
        const long long left = (end - monotonicUs()) / 1000;
        if (left <= 0)
        {
            timedOut = true;
            break;
        }
        pollfd pfd { fds[0], POLLIN, 0 };
        if (poll (&pfd, 1, static_cast<int> (left)) <= 0)
            continue;
        char buf[4096];
        const ssize_t n = read (fds[0], buf, sizeof (buf));
        if (n <= 0)
            break;
        text.append (buf, static_cast<size_t> (n));
    }
    ::close (fds[0]);
    if (timedOut)
        ::kill (p, SIGKILL);
    int status = 0;
    // Its output has ended, so it is about to go; a child that closed its output and went on is
    // killed when the time is up.
    while (waitpid (p, &status, WNOHANG) == 0)
    {
        if (monotonicUs() > end)
        {
            ::kill (p, SIGKILL);
            timedOut = true;
            waitpid (p, &status, 0);
            break;
        }
        sleepMs (5);
    }
    if (output != nullptr)
        *output = text;
    if (timedOut)
        return -1;
    return WIFEXITED (status) ? WEXITSTATUS (status) : -1;
}
