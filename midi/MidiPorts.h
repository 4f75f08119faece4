#pragma once

#include <juce_audio_devices/juce_audio_devices.h>

#include <memory>

namespace orvane
{
/** An open MIDI input. Incoming messages reach its callback on a thread of the input's own,
    never the message thread, one at a time and in arrival order, once start() has been called.
    Destroying it closes the port: the destructor waits for a callback in progress, and no
    callback starts after the destruction has begun. */
class MidiInputPort
{
public:
    virtual ~MidiInputPort() = default;
    virtual void start() = 0;
};

/** An open MIDI output. sendMessageNow writes the whole message at once on the calling thread
    and waits for no answer; a send to a device that has gone fails silently. */
class MidiOutputPort
{
public:
    virtual ~MidiOutputPort() = default;
    virtual void sendMessageNow (const juce::MidiMessage& message) = 0;
};

/** The computer's MIDI ports. A port's number is its position in the list of names, which is
    read afresh at every call. Opening returns nothing for a number out of range or a port that
    cannot be opened (for instance one in use by another application). */
class MidiPortSystem
{
public:
    virtual ~MidiPortSystem() = default;
    virtual juce::StringArray getInputNames() = 0;
    virtual juce::StringArray getOutputNames() = 0;
    virtual std::unique_ptr<MidiInputPort> openInput (int index, juce::MidiInputCallback* callback) = 0;
    virtual std::unique_ptr<MidiOutputPort> openOutput (int index) = 0;
};

/** The operating system's MIDI service, through the framework. */
std::unique_ptr<MidiPortSystem> createFrameworkMidiPorts();

/** The virtual ports served as UNIX sockets in a folder (see README: virtual MIDI ports). */
std::unique_ptr<MidiPortSystem> createVirtualMidiPorts (const juce::File& folder);

/** The virtual ports of the folder named by ORVANE_VIRTUAL_MIDI when it is set and not empty,
    else the operating system's service. */
std::unique_ptr<MidiPortSystem> createMidiPortsFromEnvironment();
}   // namespace orvane
