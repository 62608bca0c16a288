#include "tests/support/SimulatedInstrument.h"
#include "tests/support/TestSupport.h"

#include <chrono>
#include "sound/FactorySoundSet.h"
#include "sound/SoundDump.h"

namespace
{
bool isOurs (const MidiBytes& m)
{
    return m.size() >= 5 && m[0] == 0xF0 && m[1] == 0x7D && m[2] == 0x2B;
}
}

SimulatedInstrument::SimulatedInstrument (FakeMidiPorts& p, int outputDeviceId, int inputDeviceId)
    : ports (p), outputId (outputDeviceId), inputId (inputDeviceId)
{
    for (int i = 0; i < 28; ++i)
        programs.emplace_back (factorySoundSet + i * 1330, factorySoundSet + (i + 1) * 1330);
    globalDump = defaultGlobalDump();
    worker = std::thread ([this] { loop(); });
    ports.setReceiver (outputId, [this] (int, const uint8_t* bytes, int length) { take (bytes, length); });
}

SimulatedInstrument::~SimulatedInstrument()
{
    ports.setReceiver (outputId, nullptr);
    {
        std::lock_guard<std::mutex> g (lock);
        quitting = true;
    }
    wake.notify_all();
    worker.join();
}

MidiBytes SimulatedInstrument::probeAnswer (int device)
{
    return { 0xF0, 0x7D, 0x2B, static_cast<uint8_t> (device), 0x7B, 0xF7 };
}

// Settings unlike the editor's defaults, so a test sees that the dump arrived.
MidiBytes SimulatedInstrument::defaultGlobalDump()
{
    return globalDumpWith (0x43, 0x3E, 0x02, 0x01, 0x02);
}

MidiBytes SimulatedInstrument::globalDumpWith (uint8_t transpose, uint8_t tune, uint8_t channel, uint8_t pedal, uint8_t level)
{
    MidiBytes g = { 0xF0, 0x7D, 0x2B, 0x00, 0x12, transpose, tune, channel, 0x7F, pedal, level,
                    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xF7 };
    unsigned sum = 0;
    for (int i = 1; i <= 19; ++i)
        sum += g[static_cast<size_t> (i)];
    g[21] = static_cast<uint8_t> ((0u - sum) & 0x7F);
    return g;
}

void SimulatedInstrument::sendCc (int channel, int cc, int value)
{
    sendBytes ({ static_cast<uint8_t> (0xB0 | (channel & 15)), static_cast<uint8_t> (cc & 127),
                 static_cast<uint8_t> (value & 127) });
}

void SimulatedInstrument::sendProgramChange (int channel, int program)
{
    sendBytes ({ static_cast<uint8_t> (0xC0 | (channel & 15)), static_cast<uint8_t> (program & 127) });
}

void SimulatedInstrument::sendSoundDump (int program, const MidiBytes& dump)
{
    MidiBytes m = dump;
    if (m.size() > 5)
        m[5] = static_cast<uint8_t> (program);
    // The checksum covers the program byte: a whole dump gets the one that goes with its new
    // program, as the instrument would send it.
    if (m.size() == soundDumpLength)
    {
        unsigned sum = 0;
        for (int i = 1; i < soundDumpLength - 2; ++i)
            sum += m[static_cast<size_t> (i)];
        m[soundDumpLength - 2] = static_cast<uint8_t> (0u - sum) & 0x7F;
    }
    sendBytes (m);
}

void SimulatedInstrument::sendBytes (const MidiBytes& message)
{
    post ([this, message] { say (message); });
}

void SimulatedInstrument::run (std::function<void()> job)
{
    post (std::move (job));
}

// What the editor's sender has on its way may make the instrument answer, and the answer may make
// the editor send: until both are quiet.
bool SimulatedInstrument::waitUntilIdle (int timeoutMs)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds (timeoutMs);
    for (;;)
    {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds> (end - std::chrono::steady_clock::now());
        if (left.count() <= 0 || ! waitForSender (static_cast<int> (left.count())))
            return false;
        std::unique_lock<std::mutex> l (lock);
        if (jobs.empty() && ! busy && waitForSender (0))
            return true;
        if (! idle.wait_until (l, end, [this] { return jobs.empty() && ! busy; }))
            return false;
        l.unlock();
        if (waitForSender (0))
        {
            std::lock_guard<std::mutex> g (lock);
            if (jobs.empty() && ! busy)
                return true;
        }
    }
}

std::vector<MidiBytes> SimulatedInstrument::received() const
{
    std::lock_guard<std::mutex> g (lock);
    return got;
}

std::vector<MidiBytes> SimulatedInstrument::receivedSoundDumps() const
{
    std::vector<MidiBytes> r;
    for (auto& m : received())
        if (isOurs (m) && m[4] == 0x10)
            r.push_back (m);
    return r;
}

std::vector<MidiBytes> SimulatedInstrument::receivedCcs() const
{
    std::vector<MidiBytes> r;
    for (auto& m : received())
        if (m.size() == 3 && (m[0] & 0xF0) == 0xB0)
            r.push_back (m);
    return r;
}

std::vector<MidiBytes> SimulatedInstrument::receivedGlobalDumps() const
{
    std::vector<MidiBytes> r;
    for (auto& m : received())
        if (isOurs (m) && m[4] == 0x12)
            r.push_back (m);
    return r;
}

int SimulatedInstrument::probesAnswered() const
{
    std::lock_guard<std::mutex> g (lock);
    return answered;
}

void SimulatedInstrument::clearReceived()
{
    // What was sent before this call is still on its way through the queue; forget that too.
    waitUntilIdle();
    std::lock_guard<std::mutex> g (lock);
    got.clear();
}

void SimulatedInstrument::post (std::function<void()> job)
{
    {
        std::lock_guard<std::mutex> g (lock);
        jobs.push_back (std::move (job));
    }
    wake.notify_one();
}

void SimulatedInstrument::take (const uint8_t* bytes, int length)
{
    MidiBytes m (bytes, bytes + length);
    post ([this, m] { answer (m); });
}

void SimulatedInstrument::answer (const MidiBytes& m)
{
    bool probe = false;
    {
        std::lock_guard<std::mutex> g (lock);
        got.push_back (m);
        probe = isOurs (m) && m[4] == 0x7A && answersProbes;
        if (probe)
            ++answered;
    }
    if (! isOurs (m))
        return;
    if (probe)
        say (probeAnswer (m[3]));
    else if (m[4] == 0x02)
        say (globalDump);
    else if (m[4] == 0x00)
        for (auto& p : programs)
            say (p);
}

void SimulatedInstrument::say (const MidiBytes& m)
{
    ports.deliver (inputId, m.data(), static_cast<int> (m.size()));
}

void SimulatedInstrument::loop()
{
    std::unique_lock<std::mutex> l (lock);
    for (;;)
    {
        wake.wait (l, [this] { return quitting || ! jobs.empty(); });
        if (jobs.empty())
            break;
        auto job = std::move (jobs.front());
        jobs.pop_front();
        busy = true;
        l.unlock();
        job();
        l.lock();
        busy = false;
        if (jobs.empty())
            idle.notify_all();
    }
}
