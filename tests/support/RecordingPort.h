#pragma once

#include "midi/MidiPorts.h"

#include <memory>
#include <mutex>
#include <vector>

namespace orvane::test
{
/** What a RecordingPort was given to send, safe to read while another thread sends. */
class SentMessages
{
public:
    void add (const juce::MidiMessage& message)
    {
        const auto* bytes = message.getRawData();
        const std::lock_guard<std::mutex> guard (mutex);
        messages.emplace_back (bytes, bytes + message.getRawDataSize());
    }

    std::vector<std::vector<uint8_t>> get() const
    {
        const std::lock_guard<std::mutex> guard (mutex);
        return messages;
    }

    void clear()
    {
        const std::lock_guard<std::mutex> guard (mutex);
        messages.clear();
    }

private:
    mutable std::mutex mutex;
    std::vector<std::vector<uint8_t>> messages;
};

/** An output that keeps every message sent on it, in order, as raw bytes. The record outlives
    the port, so a test can read it after the component has closed its output. */
class RecordingPort : public MidiOutputPort
{
public:
    explicit RecordingPort (std::shared_ptr<SentMessages> record) : sent (std::move (record)) {}

    void sendMessageNow (const juce::MidiMessage& message) override { sent->add (message); }

private:
    std::shared_ptr<SentMessages> sent;
};
}   // namespace orvane::test
