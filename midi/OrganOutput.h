#pragma once

#include "midi/MidiPorts.h"

namespace orvane
{
/** The one MIDI output towards the organ, shared by the message thread (which opens, replaces
    and deletes it) and the MIDI input thread (which sends on it). Every access holds one lock,
    so the output is never deleted while another thread sends on it. */
class OrganOutput
{
public:
    /** Sends the message when an output is open; otherwise does nothing. */
    void send (const juce::MidiMessage& message);

    /** Closes the open output, if any, and opens port `index`; returns whether it opened. */
    bool open (MidiPortSystem& ports, int index);

    /** Closes the open output, if any. */
    void close();

    bool isOpen() const;

    /** Puts an already opened port in place (tests hand in a recording port); once shut off,
        only closes. */
    void replace (std::unique_ptr<MidiOutputPort> port);

    /** Closes the output for good: from here on nothing opens and nothing is sent. */
    void shutOff();

private:
    mutable juce::CriticalSection lock;
    std::unique_ptr<MidiOutputPort> port;
    bool shut = false;
};
}   // namespace orvane
