#include "tests/support/FakeMidiPorts.h"

#include <algorithm>
#include <cstring>
#include <thread>
#include "app/Pause.h"

struct FakeInPort;

struct FakeMidiPorts::State
{
    // Held around every callback, open and close, as the system backend does.
    std::recursive_mutex backend;
    // Everything below.
    mutable std::mutex m;
    int nextId = 1;
    std::vector<int> inputs, outputs;          // device ids in index order
    std::vector<int> inputSnapshot, outputSnapshot;
    std::map<int, bool> inputFails, outputFails;
    std::map<int, Receiver> receivers;
    std::map<int, std::vector<MidiBytes>> sent;
    std::map<int, std::vector<int64_t>> sentAt;
    std::map<int, std::vector<FakeInPort*>> openIns;
    std::map<int, int> openOuts;
    int inputOpens = 0, outputOpens = 0, sends = 0, faults = 0;

    // The backend's one input thread, as JUCE's ALSA client runs it: started with the first input
    // that starts, told to stop when the last one stops, and gone at its next look (within
    // 100 ms). A start meanwhile finds it still running and does not start it again, so it goes
    // all the same and every input is deaf from then on, until one starts after it has gone.
    int startedInputs = 0;
    bool inputThreadRunning = false, inputThreadToldToStop = false;
    std::chrono::steady_clock::time_point inputThreadGoesAt;
    bool inputThreadAlive()  // with m held
    {
        if (inputThreadRunning && inputThreadToldToStop && std::chrono::steady_clock::now() >= inputThreadGoesAt)
            inputThreadRunning = false;
        return inputThreadRunning && ! (inputThreadToldToStop && std::chrono::steady_clock::now() >= inputThreadGoesAt);
    }
    void inputStarted()
    {
        if (++startedInputs == 1 && ! inputThreadAlive())
        {
            inputThreadRunning = true;
            inputThreadToldToStop = false;
        }
    }
    // The backend's client goes with its last port, and its thread with it (joined): the next
    // port makes a new one.
    void portClosed()
    {
        int open = 0;
        for (auto& e : openOuts)
            open += e.second;
        for (auto& e : openIns)
            open += static_cast<int> (e.second.size());
        if (open == 0)
            inputThreadRunning = inputThreadToldToStop = false;
    }
    void inputStopped()
    {
        if (--startedInputs == 0 && inputThreadAlive())
        {
            inputThreadToldToStop = true;
            inputThreadGoesAt = std::chrono::steady_clock::now() + std::chrono::milliseconds (100);
        }
    }

    // The one sequencer handle of every output: its buffer is written and read without a lock.
    uint8_t handleBuffer[4096];
    std::atomic<int> sendsOnHandle { 0 };  // relaxed: it must not order the sends for the race detector
    std::atomic<long> sendMicroseconds { 0 };
};

struct FakeInPort : MidiInPort
{
    FakeInPort (std::shared_ptr<FakeMidiPorts::State> s, int id, juce::MidiInputCallback* cb)
        : state (std::move (s)), deviceId (id), callback (cb) {}

    ~FakeInPort() override
    {
        std::lock_guard<std::recursive_mutex> b (state->backend);  // waits for a running callback
        std::lock_guard<std::mutex> g (state->m);
        if (started.exchange (false))
            state->inputStopped();
        auto& v = state->openIns[deviceId];
        v.erase (std::remove (v.begin(), v.end(), this), v.end());
        state->portClosed();
    }

    void start() override
    {
        std::lock_guard<std::mutex> g (state->m);
        if (! started.exchange (true))
            state->inputStarted();
    }
    void stop() override
    {
        std::lock_guard<std::mutex> g (state->m);
        if (started.exchange (false))
            state->inputStopped();
    }

    std::shared_ptr<FakeMidiPorts::State> state;
    const int deviceId;
    juce::MidiInputCallback* const callback;
    std::atomic<bool> started { false };
};

namespace
{
struct FakeOutPort : MidiOutPort
{
    FakeOutPort (std::shared_ptr<FakeMidiPorts::State> s, int id) : state (std::move (s)), deviceId (id) {}

    ~FakeOutPort() override
    {
        std::lock_guard<std::recursive_mutex> b (state->backend);
        std::lock_guard<std::mutex> g (state->m);
        if (sending.load() != 0)
            ++state->faults;
        --state->openOuts[deviceId];
        closed = true;
        state->portClosed();
    }

    void sendNow (const juce::uint8* bytes, int length) override
    {
        const int64_t at = clockMicroseconds();
        ++sending;
        const bool overlapping = state->sendsOnHandle.fetch_add (1, std::memory_order_relaxed) != 0;

        // Through the shared buffer, unlocked: what goes out is what the buffer holds afterwards.
        const auto n = static_cast<size_t> (std::clamp (length, 0, static_cast<int> (sizeof (state->handleBuffer))));
        std::memcpy (state->handleBuffer, bytes, n);
        if (const long us = state->sendMicroseconds.load (std::memory_order_relaxed); us > 0)
            std::this_thread::sleep_for (std::chrono::microseconds (us));
        const MidiBytes wire (state->handleBuffer, state->handleBuffer + n);

        const bool overlapped = state->sendsOnHandle.fetch_sub (1, std::memory_order_relaxed) != 1;
        {
            std::lock_guard<std::mutex> g (state->m);
            if (closed || overlapping || overlapped)
                ++state->faults;
            ++state->sends;
            state->sent[deviceId].push_back (wire);
            state->sentAt[deviceId].push_back (at);
            const bool connected = std::find (state->outputs.begin(), state->outputs.end(), deviceId)
                                   != state->outputs.end();
            auto r = state->receivers.find (deviceId);
            if (connected && r != state->receivers.end() && r->second)
                r->second (deviceId, wire.data(), static_cast<int> (wire.size()));
        }
        --sending;
    }

    std::string identifier() const override { return "fake-out-" + std::to_string (deviceId); }

    std::shared_ptr<FakeMidiPorts::State> state;
    const int deviceId;
    std::atomic<int> sending { 0 };
    bool closed = false;
};

int idAt (const std::vector<int>& v, int index)
{
    return index >= 0 && index < static_cast<int> (v.size()) ? v[static_cast<size_t> (index)] : -1;
}
}

FakeMidiPorts::FakeMidiPorts() : state (std::make_shared<State>()) {}
FakeMidiPorts::~FakeMidiPorts() = default;

int FakeMidiPorts::addInput()
{
    std::lock_guard<std::mutex> g (state->m);
    state->inputs.push_back (state->nextId);
    return state->nextId++;
}

int FakeMidiPorts::addOutput()
{
    std::lock_guard<std::mutex> g (state->m);
    state->outputs.push_back (state->nextId);
    return state->nextId++;
}

void FakeMidiPorts::removeInput (int id)
{
    std::lock_guard<std::mutex> g (state->m);
    auto& v = state->inputs;
    v.erase (std::remove (v.begin(), v.end(), id), v.end());
}

void FakeMidiPorts::removeOutput (int id)
{
    std::lock_guard<std::mutex> g (state->m);
    auto& v = state->outputs;
    v.erase (std::remove (v.begin(), v.end(), id), v.end());
}

void FakeMidiPorts::plugInput (int id)
{
    std::lock_guard<std::mutex> g (state->m);
    if (std::find (state->inputs.begin(), state->inputs.end(), id) == state->inputs.end())
        state->inputs.push_back (id);
}

void FakeMidiPorts::plugOutput (int id)
{
    std::lock_guard<std::mutex> g (state->m);
    if (std::find (state->outputs.begin(), state->outputs.end(), id) == state->outputs.end())
        state->outputs.push_back (id);
}

void FakeMidiPorts::setInputCount (int n)
{
    while (inputCount() < n)
        addInput();
    while (inputCount() > n)
        removeInput (inputIdAt (inputCount() - 1));
}

void FakeMidiPorts::setOutputCount (int n)
{
    while (outputCount() < n)
        addOutput();
    while (outputCount() > n)
        removeOutput (outputIdAt (outputCount() - 1));
}

int FakeMidiPorts::inputIdAt (int index) const
{
    std::lock_guard<std::mutex> g (state->m);
    return idAt (state->inputs, index);
}

int FakeMidiPorts::outputIdAt (int index) const
{
    std::lock_guard<std::mutex> g (state->m);
    return idAt (state->outputs, index);
}

void FakeMidiPorts::setInputFails (int id, bool fails)
{
    std::lock_guard<std::mutex> g (state->m);
    state->inputFails[id] = fails;
}

void FakeMidiPorts::setOutputFails (int id, bool fails)
{
    std::lock_guard<std::mutex> g (state->m);
    state->outputFails[id] = fails;
}

void FakeMidiPorts::setReceiver (int id, Receiver receiver)
{
    std::lock_guard<std::mutex> g (state->m);
    state->receivers[id] = std::move (receiver);
}

bool FakeMidiPorts::deliver (int id, const uint8_t* bytes, int length)
{
    if (bytes == nullptr || length <= 0)
        return false;
    std::lock_guard<std::recursive_mutex> b (state->backend);
    std::vector<FakeInPort*> targets;
    {
        std::lock_guard<std::mutex> g (state->m);
        if (std::find (state->inputs.begin(), state->inputs.end(), id) == state->inputs.end())
            return false;  // unplugged
        if (! state->inputThreadAlive())
            return false;  // the backend reads nothing
        for (auto* p : state->openIns[id])
            if (p->started)
                targets.push_back (p);
    }
    const juce::MidiMessage message (bytes, length, 0.0);
    for (auto* p : targets)
        p->callback->handleIncomingMidiMessage (nullptr, message);
    return ! targets.empty();
}

std::vector<MidiBytes> FakeMidiPorts::sentTo (int id) const
{
    std::lock_guard<std::mutex> g (state->m);
    auto it = state->sent.find (id);
    return it == state->sent.end() ? std::vector<MidiBytes>() : it->second;
}

std::vector<int64_t> FakeMidiPorts::sentTimes (int id) const
{
    std::lock_guard<std::mutex> g (state->m);
    auto it = state->sentAt.find (id);
    return it == state->sentAt.end() ? std::vector<int64_t>() : it->second;
}

std::vector<MidiBytes> FakeMidiPorts::sentToSince (int id, size_t& seen) const
{
    const auto all = sentTo (id);
    std::vector<MidiBytes> fresh (all.begin() + static_cast<long> (std::min (seen, all.size())), all.end());
    seen = all.size();
    return fresh;
}

int FakeMidiPorts::sendCount() const
{
    std::lock_guard<std::mutex> g (state->m);
    return state->sends;
}

void FakeMidiPorts::clearSent()
{
    std::lock_guard<std::mutex> g (state->m);
    state->sent.clear();
    state->sentAt.clear();
    state->sends = 0;
}

bool FakeMidiPorts::isInputOpen (int id) const
{
    std::lock_guard<std::mutex> g (state->m);
    auto it = state->openIns.find (id);
    return it != state->openIns.end() && ! it->second.empty();
}

bool FakeMidiPorts::isInputStarted (int id) const
{
    std::lock_guard<std::mutex> g (state->m);
    auto it = state->openIns.find (id);
    if (it == state->openIns.end())
        return false;
    for (auto* p : it->second)
        if (p->started)
            return true;
    return false;
}

bool FakeMidiPorts::isOutputOpen (int id) const
{
    std::lock_guard<std::mutex> g (state->m);
    auto it = state->openOuts.find (id);
    return it != state->openOuts.end() && it->second > 0;
}

int FakeMidiPorts::openInputCount() const
{
    std::lock_guard<std::mutex> g (state->m);
    int n = 0;
    for (auto& e : state->openIns)
        n += static_cast<int> (e.second.size());
    return n;
}

int FakeMidiPorts::openOutputCount() const
{
    std::lock_guard<std::mutex> g (state->m);
    int n = 0;
    for (auto& e : state->openOuts)
        n += e.second;
    return n;
}

int FakeMidiPorts::inputOpens() const
{
    std::lock_guard<std::mutex> g (state->m);
    return state->inputOpens;
}

int FakeMidiPorts::outputOpens() const
{
    std::lock_guard<std::mutex> g (state->m);
    return state->outputOpens;
}

int FakeMidiPorts::faults() const
{
    std::lock_guard<std::mutex> g (state->m);
    return state->faults;
}

void FakeMidiPorts::setSendDuration (std::chrono::microseconds duration)
{
    state->sendMicroseconds.store (static_cast<long> (duration.count()));
}

int FakeMidiPorts::inputCount()
{
    std::lock_guard<std::mutex> g (state->m);
    state->inputSnapshot = state->inputs;
    return static_cast<int> (state->inputSnapshot.size());
}

int FakeMidiPorts::outputCount()
{
    std::lock_guard<std::mutex> g (state->m);
    state->outputSnapshot = state->outputs;
    return static_cast<int> (state->outputSnapshot.size());
}

std::unique_ptr<MidiInPort> FakeMidiPorts::openInput (int index, juce::MidiInputCallback* callback)
{
    std::lock_guard<std::recursive_mutex> b (state->backend);
    std::lock_guard<std::mutex> g (state->m);
    const int id = idAt (state->inputSnapshot, index);
    if (id < 0 || callback == nullptr || state->inputFails[id]
        || std::find (state->inputs.begin(), state->inputs.end(), id) == state->inputs.end())
        return {};
    auto port = std::make_unique<FakeInPort> (state, id, callback);
    state->openIns[id].push_back (port.get());
    ++state->inputOpens;
    return port;
}

std::unique_ptr<MidiOutPort> FakeMidiPorts::openOutput (int index)
{
    std::lock_guard<std::recursive_mutex> b (state->backend);
    std::lock_guard<std::mutex> g (state->m);
    const int id = idAt (state->outputSnapshot, index);
    if (id < 0 || state->outputFails[id]
        || std::find (state->outputs.begin(), state->outputs.end(), id) == state->outputs.end())
        return {};
    ++state->openOuts[id];
    ++state->outputOpens;
    return std::make_unique<FakeOutPort> (state, id);
}

ScopedFakeMidiPorts::ScopedFakeMidiPorts()  { setMidiPortLayer (&ports); }
ScopedFakeMidiPorts::~ScopedFakeMidiPorts() { setMidiPortLayer (nullptr); }
