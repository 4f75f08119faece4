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

/** System Exclusive messages that carry nothing for the editor although they may reach its
    input: another maker's, another family's, and the organ commands that only the editor sends
    (echoed back by a MIDI loop) or that nobody sends. */
inline const std::vector<Bytes>& foreignAndEchoedMessages()
{
    static const std::vector<Bytes> messages {
        { 0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0xF7 },
        { 0xF0, 0x7D, 0x1F, 0x02, 0x0C, 0x03, 0xF7 },
        { 0xF0, 0x7D, 0x1E, 0x00, 0x00, 0xF7 },
        { 0xF0, 0x7D, 0x1E, 0x03, 0x00, 0xF7 },
        { 0xF0, 0x7D, 0x1E, 0x04, 0x7D, 0xF7 },
        { 0xF0, 0x7D, 0x1E, 0x06, 0x01, 0xF7 },
        { 0xF0, 0x7D, 0x1E, 0x08, 0x00, 0xF7 },
        { 0xF0, 0x7D, 0x1E, 0x0A, 0x01, 0xF7 },
        { 0xF0, 0x7D, 0x1E, 0x0A, 0x00, 0xF7 },
        { 0xF0, 0x7D, 0x1E, 0x0B, 0x00, 0xF7 },
        { 0xF0, 0x7D, 0x1E, 0x7F, 0x00, 0xF7 },
    };
    return messages;
}
}   // namespace orvane::test
