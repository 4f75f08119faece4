#include "organ/FileDump.h"

#include "organ/OrganProtocol.h"

namespace orvane::filedump
{
namespace
{
using protocol::sysExEnd;
using protocol::sysExStart;
using protocol::universalNonRealTime;

constexpr uint8_t deviceId = 0x00;
constexpr uint8_t fileDump = 0x07;
constexpr uint8_t headerId = 0x01;
constexpr uint8_t dataPacketId = 0x02;
constexpr uint8_t senderId = 0x00;

enum HandshakeId : uint8_t
{
    endOfFileId = 0x7B,   // 7C, WAIT, is received only and ignored
    cancelId = 0x7D,
    nakId = 0x7E,
    ackId = 0x7F
};

juce::MidiMessage handshake (HandshakeId id)
{
    const uint8_t bytes[] = { sysExStart, universalNonRealTime, deviceId, id, 0x00, sysExEnd };
    return juce::MidiMessage (bytes, (int) sizeof (bytes));
}
}   // namespace

TypeField typeForSlot (int slot)
{
    return { 0x41, 0x43, (uint8_t) ((0x2E + slot) & 0x7F), 0x00 };
}

juce::MidiMessage header (const TypeField& type, uint32_t payloadLength, const NameField& name)
{
    uint8_t bytes[headerLength] = { sysExStart, universalNonRealTime, deviceId, fileDump, headerId, senderId };
    auto* out = bytes + 6;
    for (auto b : type)
        *out++ = b & 0x7F;
    for (int shift = 0; shift < 28; shift += 7)
        *out++ = (uint8_t) ((payloadLength >> shift) & 0x7F);
    for (auto b : name)
        *out++ = b & 0x7F;
    *out = sysExEnd;
    return juce::MidiMessage (bytes, headerLength);
}

int encodedSize (int n)
{
    return n + (n + 6) / 7;
}

int encode (const uint8_t* data, int n, uint8_t* out)
{
    auto* start = out;
    for (int group = 0; group < n; group += 7)
    {
        uint8_t& highBits = *out++;
        highBits = 0;
        for (int i = group; i < std::min (group + 7, n); ++i)
        {
            highBits |= (uint8_t) ((data[i] >> 7) << (6 - (i - group)));
            *out++ = data[i] & 0x7F;
        }
    }
    return (int) (out - start);
}

std::optional<juce::MidiMessage> dataPacket (uint8_t packetNumber, const uint8_t* chunk, int n)
{
    if (n < 1 || n > maxChunkSize)
        return std::nullopt;

    uint8_t bytes[maxPacketLength] = { sysExStart, universalNonRealTime, deviceId, fileDump, dataPacketId,
                                       (uint8_t) (packetNumber & 0x7F), (uint8_t) (encodedSize (n) - 1) };
    const int end = 7 + encode (chunk, n, bytes + 7);

    uint8_t checksum = 0;
    for (int i = 1; i < end; ++i)
        checksum ^= bytes[i];
    bytes[end] = checksum;
    bytes[end + 1] = sysExEnd;
    return juce::MidiMessage (bytes, end + 2);
}

juce::MidiMessage endOfFile() { return handshake (endOfFileId); }
juce::MidiMessage cancel() { return handshake (cancelId); }

Handshake readHandshake (const juce::MidiMessage& message)
{
    const auto* bytes = message.getRawData();
    if (message.getRawDataSize() < handshakeLength || bytes[0] != sysExStart || bytes[1] != universalNonRealTime)
        return {};

    switch (bytes[3])
    {
        case ackId: return { Handshake::Kind::ack, bytes[4] };
        case nakId: return { Handshake::Kind::nak, bytes[4] };
        case cancelId: return { Handshake::Kind::cancel, bytes[4] };
        default: return {};   // WAIT, a received EOF and any other kind
    }
}
}   // namespace orvane::filedump
