#pragma once
// The MIDI ports as the link sees them: counts, open by index, start/stop, send now. The app runs
// on the system's ports (JuceMidiPorts.cpp is the only code that names JUCE's port classes);
// tests install a layer of their own.

#include <memory>
#include <string>
#include <juce_audio_devices/juce_audio_devices.h>

class MidiInPort
{
public:
    virtual ~MidiInPort() = default;  // closes the port; no callback runs once this has returned
    virtual void start() = 0;
    virtual void stop() = 0;          // a callback already running may still finish
};

class MidiOutPort
{
public:
    virtual ~MidiOutPort() = default;  // closes the port
    // Returns once the system has taken the bytes: on a cable, before they have left it (the
    // link paces its sends for that).
    virtual void sendNow (const juce::uint8* bytes, int length) = 0;
    // The device's identifier: the same device keeps it across rescans and reopens.
    virtual std::string identifier() const = 0;
};

class MidiPortLayer
{
public:
    virtual ~MidiPortLayer() = default;

    // Each count takes a fresh snapshot of the devices; the opens below refer to the last one.
    virtual int inputCount() = 0;
    virtual int outputCount() = 0;

    // Null when the device cannot be opened. The callback runs on the MIDI input thread.
    virtual std::unique_ptr<MidiInPort> openInput (int index, juce::MidiInputCallback* callback) = 0;
    virtual std::unique_ptr<MidiOutPort> openOutput (int index) = 0;
};

// The layer in use: the one installed, else the system's ports.
MidiPortLayer& midiPortLayer();
// Null puts the system's ports back. Install before the main component opens anything.
void setMidiPortLayer (MidiPortLayer* layer);
