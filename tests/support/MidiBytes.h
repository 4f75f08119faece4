#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

#include <string>
#include <vector>

/** A MIDI message's bytes and back, and their hex text for failure messages. */
namespace orvane::test
{
using Bytes = std::vector<uint8_t>;

inline Bytes bytesOf (const juce::MidiMessage& message)
{
    const auto* raw = message.getRawData();
    return Bytes (raw, raw + message.getRawDataSize());
}

inline juce::MidiMessage midi (const Bytes& bytes)
{
    return juce::MidiMessage (bytes.data(), (int) bytes.size());
}

inline std::string hex (const Bytes& bytes)
{
    return juce::String::toHexString (bytes.data(), (int) bytes.size()).toStdString();
}
}   // namespace orvane::test
