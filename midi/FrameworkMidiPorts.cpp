#include "midi/MidiPorts.h"

namespace orvane
{
namespace
{
juce::StringArray namesOf (const juce::Array<juce::MidiDeviceInfo>& devices)
{
    juce::StringArray names;
    for (const auto& device : devices)
        names.add (device.name);
    return names;
}

class FrameworkInput final : public MidiInputPort
{
public:
    explicit FrameworkInput (std::unique_ptr<juce::MidiInput> in) : input (std::move (in)) {}
    void start() override { input->start(); }

private:
    std::unique_ptr<juce::MidiInput> input;   // its destructor takes the callback lock
};

class FrameworkOutput final : public MidiOutputPort
{
public:
    explicit FrameworkOutput (std::unique_ptr<juce::MidiOutput> out) : output (std::move (out)) {}
    void sendMessageNow (const juce::MidiMessage& message) override { output->sendMessageNow (message); }

private:
    std::unique_ptr<juce::MidiOutput> output;
};

/** Port numbers index the framework's device lists; devices are opened by identifier. */
class FrameworkMidiPorts final : public MidiPortSystem
{
public:
    juce::StringArray getInputNames() override { return namesOf (juce::MidiInput::getAvailableDevices()); }
    juce::StringArray getOutputNames() override { return namesOf (juce::MidiOutput::getAvailableDevices()); }

    std::unique_ptr<MidiInputPort> openInput (int index, juce::MidiInputCallback* callback) override
    {
        const auto devices = juce::MidiInput::getAvailableDevices();
        if (! juce::isPositiveAndBelow (index, devices.size()))
            return nullptr;
        auto input = juce::MidiInput::openDevice (devices[index].identifier, callback);
        return input != nullptr ? std::make_unique<FrameworkInput> (std::move (input)) : nullptr;
    }

    std::unique_ptr<MidiOutputPort> openOutput (int index) override
    {
        const auto devices = juce::MidiOutput::getAvailableDevices();
        if (! juce::isPositiveAndBelow (index, devices.size()))
            return nullptr;
        auto output = juce::MidiOutput::openDevice (devices[index].identifier);
        return output != nullptr ? std::make_unique<FrameworkOutput> (std::move (output)) : nullptr;
    }
};
}   // namespace

std::unique_ptr<MidiPortSystem> createFrameworkMidiPorts()
{
    return std::make_unique<FrameworkMidiPorts>();
}

std::unique_ptr<MidiPortSystem> createMidiPortsFromEnvironment()
{
#if JUCE_LINUX || JUCE_BSD
    const auto folder = juce::SystemStats::getEnvironmentVariable ("ORVANE_VIRTUAL_MIDI", {});
    if (folder.isNotEmpty())
        return createVirtualMidiPorts (juce::File::getCurrentWorkingDirectory().getChildFile (folder));
#endif
    return createFrameworkMidiPorts();
}
}   // namespace orvane
