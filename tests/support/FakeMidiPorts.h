#pragma once
// A port layer for tests: devices that tests add, remove and make fail, and ports that behave as
// the system backend does where the link depends on it: one backend lock held around every
// callback, every open and every close (so a close under a lock that a callback waits for hangs
// here as it would there), stop() that lets a running callback finish, and sends that take no
// backend lock. Every output sends through one handle whose buffer has no lock, as ALSA's
// sequencer does: the bytes pass through one scratch buffer shared by all outputs, so two sends
// at once, on any two outputs, are a data race (ThreadSanitizer sees it) and a fault.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <vector>
#include "app/MidiPorts.h"

using MidiBytes = std::vector<uint8_t>;

class FakeMidiPorts : public MidiPortLayer
{
public:
    FakeMidiPorts();
    ~FakeMidiPorts() override;

    // Devices are known by an id that stays while others come and go; their index is their
    // place in the list of that kind.
    int addInput();
    int addOutput();
    void removeInput (int deviceId);
    void removeOutput (int deviceId);
    // A device unplugged before comes back at the end of its list, as the same device.
    void plugInput (int deviceId);
    void plugOutput (int deviceId);
    void setInputCount (int n);    // adds or removes devices at the end
    void setOutputCount (int n);
    int inputIdAt (int index) const;   // -1 when there is none
    int outputIdAt (int index) const;

    // Opening this device fails from now on (or works again).
    void setInputFails (int deviceId, bool fails);
    void setOutputFails (int deviceId, bool fails);

    // Called, on the sender's thread, with every message sent to that output device.
    using Receiver = std::function<void (int outputDeviceId, const uint8_t* bytes, int length)>;
    void setReceiver (int outputDeviceId, Receiver receiver);

    // Hands a message to the editor through input device `deviceId`, on the calling thread,
    // as the backend's input thread would. False when that input is not open and started.
    bool deliver (int inputDeviceId, const uint8_t* bytes, int length);

    // What the editor did.
    std::vector<MidiBytes> sentTo (int outputDeviceId) const;   // in order
    // When each of them was handed to the port, by the link's clock (app/Pause.h), in microseconds.
    std::vector<int64_t> sentTimes (int outputDeviceId) const;
    // What was sent after the first `seen` messages; `seen` moves on to the end.
    std::vector<MidiBytes> sentToSince (int outputDeviceId, size_t& seen) const;
    int sendCount() const;
    void clearSent();
    bool isInputOpen (int deviceId) const;
    bool isInputStarted (int deviceId) const;
    bool isOutputOpen (int deviceId) const;
    int openInputCount() const;
    int openOutputCount() const;
    int inputOpens() const;    // successful opens so far
    int outputOpens() const;
    // Faults seen: a port closed while a send on it was running, a send on a closed port, or two
    // sends at once on any outputs (they share the handle's buffer).
    int faults() const;

    // Each send holds the shared handle this long (0 at first), which widens the window in which
    // a second send would overlap it.
    void setSendDuration (std::chrono::microseconds duration);

    // MidiPortLayer
    int inputCount() override;
    int outputCount() override;
    std::unique_ptr<MidiInPort> openInput (int index, juce::MidiInputCallback* callback) override;
    std::unique_ptr<MidiOutPort> openOutput (int index) override;

    struct Device;
    struct State;

private:
    std::shared_ptr<State> state;
};

// Installs a FakeMidiPorts as the link's port layer for the life of the object.
class ScopedFakeMidiPorts
{
public:
    ScopedFakeMidiPorts();
    ~ScopedFakeMidiPorts();
    FakeMidiPorts ports;
};
