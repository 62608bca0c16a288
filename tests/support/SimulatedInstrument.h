#pragma once
// A Kestrane as the editor expects it, on FakeMidiPorts: it answers a probe on output i with
// F0 7D 2B i 7B F7, the global request with its 23-byte global dump and the sound request with its
// 28 sound dumps; it keeps what it receives; and from its own thread it sends whatever a test
// asks for. Everything it does runs on that thread, which plays the MIDI input thread.

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>
#include "tests/support/FakeMidiPorts.h"

class SimulatedInstrument
{
public:
    // Plugs into one output device (what the editor sends arrives here) and one input device
    // (what it answers goes out there).
    SimulatedInstrument (FakeMidiPorts& ports, int outputDeviceId, int inputDeviceId);
    ~SimulatedInstrument();

    // What it holds: its programs as 28 dumps of 1330 bytes (the factory set at first) and its
    // global dump. Set them before the editor asks.
    std::vector<MidiBytes> programs;
    MidiBytes globalDump;
    bool answersProbes = true;

    // Sent from its own thread, in the order asked.
    void sendCc (int channel, int cc, int value);
    void sendProgramChange (int channel, int program);
    void sendSoundDump (int program, const MidiBytes& dump);  // re-addressed to program
    void sendBytes (const MidiBytes& message);                // anything, junk included
    void run (std::function<void()> job);                      // any job on its thread

    // Waits until everything queued so far, and what that caused, is done. False on timeout.
    bool waitUntilIdle (int timeoutMs = 5000);

    // What it received, in order.
    std::vector<MidiBytes> received() const;
    std::vector<MidiBytes> receivedSoundDumps() const;
    std::vector<MidiBytes> receivedCcs() const;          // 3-byte messages 0xBn
    std::vector<MidiBytes> receivedGlobalDumps() const;  // command 0x12
    int probesAnswered() const;
    void clearReceived();  // after what is on its way has arrived

    static MidiBytes probeAnswer (int device);
    static MidiBytes defaultGlobalDump();
    // A global dump with these bytes 5, 6, 7, 9 and 10 (byte 8 0x7F, 11..20 zero), checksum made.
    static MidiBytes globalDumpWith (uint8_t transpose, uint8_t tune, uint8_t channel, uint8_t pedal, uint8_t level);

private:
    void post (std::function<void()> job);
    void take (const uint8_t* bytes, int length);  // on the sender's thread
    void answer (const MidiBytes& message);        // on its own thread
    void say (const MidiBytes& message);
    void loop();

    FakeMidiPorts& ports;
    const int outputId, inputId;
    mutable std::mutex lock;
    std::condition_variable wake, idle;
    std::deque<std::function<void()>> jobs;
    bool busy = false, quitting = false;
    std::vector<MidiBytes> got;
    int answered = 0;
    std::thread worker;
};
