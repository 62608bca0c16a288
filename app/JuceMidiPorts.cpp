// The system's MIDI ports through JUCE: the one place that names its port classes.
#include "app/MidiPorts.h"

#include <atomic>
#if JUCE_LINUX && JUCE_ALSA
 #include <alsa/asoundlib.h>
#endif

namespace
{
#if JUCE_LINUX && JUCE_ALSA
void silentAlsaError (const char*, int, const char*, int, const char*, ...) {}
#endif

class JuceInPort : public MidiInPort
{
public:
    explicit JuceInPort (std::unique_ptr<juce::MidiInput> p) : port (std::move (p)) {}
    void start() override { port->start(); }
    void stop() override  { port->stop(); }

private:
    std::unique_ptr<juce::MidiInput> port;
};

class JuceOutPort : public MidiOutPort
{
public:
    JuceOutPort (std::unique_ptr<juce::MidiOutput> p, juce::String id) : port (std::move (p)), id (std::move (id)) {}
    void sendNow (const juce::uint8* bytes, int length) override
    {
        port->sendMessageNow (juce::MidiMessage (bytes, length, 0.0));
    }
    std::string identifier() const override { return id.toStdString(); }

private:
    std::unique_ptr<juce::MidiOutput> port;
    const juce::String id;
};

// Opens by the identifier from the snapshot that the count came from, so that index i names the
// same device in both.
class JuceMidiPorts : public MidiPortLayer
{
public:
    JuceMidiPorts()
    {
       #if JUCE_LINUX && JUCE_ALSA
        // Without a sequencer every rescan would print ALSA's open error; the program logs nothing.
        snd_lib_error_set_handler (silentAlsaError);
       #endif
    }

    int inputCount() override
    {
        inputs = juce::MidiInput::getAvailableDevices();
        return inputs.size();
    }

    int outputCount() override
    {
        outputs = juce::MidiOutput::getAvailableDevices();
        return outputs.size();
    }

    std::unique_ptr<MidiInPort> openInput (int index, juce::MidiInputCallback* callback) override
    {
        if (! juce::isPositiveAndBelow (index, inputs.size()) || callback == nullptr)
            return {};
        auto port = juce::MidiInput::openDevice (inputs.getReference (index).identifier, callback);
        if (port == nullptr)
            return {};
        return std::make_unique<JuceInPort> (std::move (port));
    }

    std::unique_ptr<MidiOutPort> openOutput (int index) override
    {
        if (! juce::isPositiveAndBelow (index, outputs.size()))
            return {};
        const auto id = outputs.getReference (index).identifier;
        auto port = juce::MidiOutput::openDevice (id);
        if (port == nullptr)
            return {};
        return std::make_unique<JuceOutPort> (std::move (port), id);
    }

private:
    juce::Array<juce::MidiDeviceInfo> inputs, outputs;
};

std::atomic<MidiPortLayer*> installedLayer { nullptr };
}

MidiPortLayer& midiPortLayer()
{
    if (auto* layer = installedLayer.load())
        return *layer;
    static JuceMidiPorts systemPorts;
    return systemPorts;
}

void setMidiPortLayer (MidiPortLayer* layer)
{
    installedLayer.store (layer);
}
