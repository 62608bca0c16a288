#include "app/Sender.h"

#include <algorithm>
#include <chrono>
#include <limits>
#include "app/Pause.h"

namespace
{
constexpr int64_t never = std::numeric_limits<int64_t>::max();

bool isControlChange (const uint8_t* bytes, int length)
{
    return length == 3 && (bytes[0] & 0xF0) == 0xB0;
}
}

Sender::Sender() : thread ([this] { run(); }) {}

Sender::~Sender()
{
    {
        std::lock_guard<std::mutex> g (lock);
        quitting = true;
    }
    wake.notify_all();
    thread.join();
}

//==============================================================================
void Sender::takeOutputs (std::unique_ptr<MidiOutPort> (&out)[maxPorts])
{
    std::unique_lock<std::mutex> l (lock);
    // A port is never closed under a send.
    sendDone.wait (l, [this] { return ! onItsWay; });
    changing = true;
    for (int i = 0; i < maxPorts; ++i)
    {
        out[i] = std::move (ports[i]);
        ids[i].clear();
    }
}

void Sender::putOutput (int index, std::unique_ptr<MidiOutPort> port)
{
    if (index < 0 || index >= maxPorts || port == nullptr)
        return;
    std::lock_guard<std::mutex> g (lock);
    ids[index] = port->identifier();
    ports[index] = std::move (port);
}

void Sender::outputsReady()
{
    {
        std::lock_guard<std::mutex> g (lock);
        changing = false;
        // Never replayed into a device that comes back later on its own.
        for (auto it = queue.begin(); it != queue.end();)
        {
            if (openLocked (it->device))
            {
                ++it;
                continue;
            }
            dropLocked (*it);
            --waitingFor[it->device];
            it = queue.erase (it);
        }
    }
    wake.notify_all();
}

bool Sender::isOpen (int index) const
{
    if (index < 0 || index >= maxPorts)
        return false;
    std::lock_guard<std::mutex> g (lock);
    return ports[index] != nullptr;
}

std::string Sender::deviceAt (int index) const
{
    if (index < 0 || index >= maxPorts)
        return {};
    std::lock_guard<std::mutex> g (lock);
    return ports[index] != nullptr ? ids[index] : std::string();
}

int Sender::indexOf (const std::string& device) const
{
    std::lock_guard<std::mutex> g (lock);
    for (int i = 0; i < maxPorts; ++i)
        if (ports[i] != nullptr && ids[i] == device)
            return i;
    return -1;
}

bool Sender::openLocked (const std::string& device) const
{
    for (int i = 0; i < maxPorts; ++i)
        if (ports[i] != nullptr && ids[i] == device)
            return true;
    return false;
}

//==============================================================================
Sender::Result Sender::send (int index, const uint8_t* bytes, int length, Options options)
{
    if (index < 0 || index >= maxPorts || bytes == nullptr || length <= 0)
        return notOpen;
    // Behind another message for its device it cannot go sooner than that one: the sender, which
    // waits for the first, need not wake for it.
    bool wakeSender = true;
    {
        std::lock_guard<std::mutex> g (lock);
        if (ports[index] == nullptr)
            return notOpen;
        const std::string& device = ids[index];

        bool replaced = false;
        if (options.editBuffer)
        {
            // The newest wins; it goes to the end, behind what was queued after the one it
            // replaces, which was meant for the sound before.
            for (auto it = queue.begin(); it != queue.end(); ++it)
                if (it->editBuffer && it->device == device)
                {
                    --waitingFor[device];
                    queue.erase (it);
                    ++counts.replaced;
                    replaced = true;
                    break;
                }
        }
        wakeSender = replaced || waitingFor[device] == 0;

        if (static_cast<int> (queue.size()) >= maxWaiting)
        {
            if (isControlChange (bytes, length) && mergeLocked (device, bytes, length))
                return queued;
            ++counts.refused;
            return refused;
        }

        Entry e;
        e.bytes.assign (bytes, bytes + length);
        e.device = device;
        e.notBefore = options.delayMs > 0 ? clockMicroseconds() + options.delayMs * int64_t (1000) : 0;
        e.gapAfter = options.gapAfterMs * int64_t (1000);
        e.editBuffer = options.editBuffer;
        ++waitingFor[device];
        queue.push_back (std::move (e));
        counts.mostWaiting = std::max (counts.mostWaiting, queue.size());
    }
    if (wakeSender)
        wake.notify_all();
    return queued;
}

bool Sender::mergeLocked (const std::string& device, const uint8_t* bytes, int length)
{
    for (auto it = queue.rbegin(); it != queue.rend(); ++it)
        if (it->device == device && isControlChange (it->bytes.data(), static_cast<int> (it->bytes.size()))
            && it->bytes[0] == bytes[0] && it->bytes[1] == bytes[1])
        {
            it->bytes.assign (bytes, bytes + length);
            ++counts.merged;
            return true;
        }
    return false;
}

Sender::Result Sender::sendSoundset (int index, const std::vector<std::vector<uint8_t>>& dumps, int gapAfterMs)
{
    if (index < 0 || index >= maxPorts || dumps.empty())
        return notOpen;
    {
        std::lock_guard<std::mutex> g (lock);
        if (ports[index] == nullptr)
            return notOpen;
        if (current.active() || queue.size() + dumps.size() > static_cast<size_t> (maxWaiting))
        {
            ++counts.refused;
            return refused;
        }
        current = {};
        current.id = nextSoundsetId++;
        current.total = static_cast<int> (dumps.size());
        for (const auto& d : dumps)
        {
            Entry e;
            e.bytes = d;
            e.device = ids[index];
            e.gapAfter = gapAfterMs * int64_t (1000);
            e.soundset = current.id;
            ++waitingFor[e.device];
            queue.push_back (std::move (e));
        }
        counts.mostWaiting = std::max (counts.mostWaiting, queue.size());
    }
    wake.notify_all();
    return queued;
}

void Sender::dropLocked (const Entry& e)
{
    ++counts.droppedForGoneDevice;
    if (e.soundset != 0 && e.soundset == current.id)
        ++current.dropped;
}

//==============================================================================
Sender::Soundset Sender::soundset() const
{
    std::lock_guard<std::mutex> g (lock);
    return current;
}

int Sender::waiting() const
{
    std::lock_guard<std::mutex> g (lock);
    return static_cast<int> (queue.size());
}

bool Sender::idle() const
{
    std::lock_guard<std::mutex> g (lock);
    return queue.empty() && ! onItsWay;
}

int64_t Sender::dueLocked (const Entry& e) const
{
    int64_t due = e.notBefore;
    auto c = cables.find (e.device);
    if (c != cables.end())
        due = std::max ({ due, c->second.freeAt, c->second.gapUntil });
    return due;
}

int64_t Sender::drainedAt() const
{
    std::lock_guard<std::mutex> g (lock);
    const int64_t now = clockMicroseconds();
    std::map<std::string, Cable> ahead (cables);
    int64_t last = now;
    for (const auto& e : queue)
    {
        auto& c = ahead[e.device];
        const int64_t at = std::max ({ now, e.notBefore, c.freeAt, c.gapUntil });
        c.freeAt = at + static_cast<int64_t> (e.bytes.size()) * microsecondsPerByte;
        c.gapUntil = at + e.gapAfter;
    }
    for (const auto& c : ahead)
        last = std::max (last, c.second.freeAt);
    return last;
}

int64_t Sender::nextDue() const
{
    std::lock_guard<std::mutex> g (lock);
    return nextDueLocked();
}

bool Sender::nothingDueBefore (int64_t time) const
{
    std::lock_guard<std::mutex> g (lock);
    return ! onItsWay && nextDueLocked() > time;
}

int64_t Sender::nextDueLocked() const
{
    if (changing)
        return never;
    int64_t best = never;
    std::vector<const std::string*> seen;
    for (const auto& e : queue)
    {
        if (std::any_of (seen.begin(), seen.end(), [&] (const std::string* d) { return *d == e.device; }))
            continue;
        seen.push_back (&e.device);
        best = std::min (best, dueLocked (e));
    }
    return best;
}

Sender::Stats Sender::stats() const
{
    std::lock_guard<std::mutex> g (lock);
    return counts;
}

//==============================================================================
// Each device's messages leave in queue order; a device whose cable is free does not wait behind
// another one's.
void Sender::run()
{
    std::unique_lock<std::mutex> l (lock);
    while (! quitting)
    {
        ++counts.wakeups;
        if (changing || queue.empty())
        {
            wake.wait (l);
            continue;
        }

        auto next = queue.end();
        int64_t due = never;
        std::vector<const std::string*> seen;
        const auto devices = static_cast<size_t> (std::count_if (waitingFor.begin(), waitingFor.end(),
                                                                 [] (const auto& w) { return w.second > 0; }));
        for (auto it = queue.begin(); it != queue.end() && seen.size() < devices; ++it)
        {
            if (std::any_of (seen.begin(), seen.end(), [&] (const std::string* d) { return *d == it->device; }))
                continue;
            seen.push_back (&it->device);
            const int64_t d = dueLocked (*it);
            if (d < due)
            {
                due = d;
                next = it;
            }
        }

        const int64_t now = clockMicroseconds();
        if (due > now)
        {
            if (clockIsReal())
                wake.wait_for (l, std::chrono::microseconds (due - now));
            else
            {
                l.unlock();
                waitMicroseconds (due - now);
                l.lock();
            }
            continue;  // the queue may have changed meanwhile
        }

        Entry e = std::move (*next);
        queue.erase (next);
        --waitingFor[e.device];
        MidiOutPort* port = nullptr;
        for (int i = 0; i < maxPorts && port == nullptr; ++i)
            if (ports[i] != nullptr && ids[i] == e.device)
                port = ports[i].get();
        if (port == nullptr)
        {
            dropLocked (e);
            continue;
        }

        onItsWay = true;
        l.unlock();
        port->sendNow (e.bytes.data(), static_cast<int> (e.bytes.size()));
        l.lock();
        onItsWay = false;
        sendDone.notify_all();

        auto& cable = cables[e.device];
        cable.freeAt = now + static_cast<int64_t> (e.bytes.size()) * microsecondsPerByte;
        cable.gapUntil = now + e.gapAfter;
        ++counts.sent;
        if (e.soundset != 0 && e.soundset == current.id)
            ++current.sent;
    }
}
