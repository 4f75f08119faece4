#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

#include <array>
#include <cstdint>
#include <optional>

/** The MIDI File Dump messages of the tonewheel upload (universal non-real-time, F0 7E), as
    pure functions. Every message built here carries only bytes below 80 between F0 and F7. */
namespace orvane::filedump
{
constexpr int headerLength = 47;
constexpr int typeLength = 4;
constexpr int nameLength = 32;
constexpr int maxChunkSize = 104;      // payload bytes of one packet
constexpr int maxPacketLength = 128;   // 9 + the encoded length of a full chunk
constexpr int handshakeLength = 6;
constexpr int maxTonewheelFileSize = 1048576;   // also the size of the editor's upload buffer

using TypeField = std::array<uint8_t, typeLength>;
using NameField = std::array<uint8_t, nameLength>;

/** The header's type field for tonewheel slot 3..5: "AC1", "AC2" or "AC3" and a zero byte. */
TypeField typeForSlot (int slot);

/** The header: type, the payload length in four 7-bit groups (low first) and the 32 name
    bytes, each with bit 7 cleared. */
juce::MidiMessage header (const TypeField& type, uint32_t payloadLength, const NameField& name);

/** Encoded length of a chunk of n bytes: one high-bits byte for every group of seven. */
int encodedSize (int n);

/** Writes the 7-in-8 encoding of `n` bytes to `out` (encodedSize (n) bytes); returns that size. */
int encode (const uint8_t* data, int n, uint8_t* out);

/** One data packet for a chunk of 1..maxChunkSize bytes; nothing for any other size. Only
    the packet number's low seven bits are sent. */
std::optional<juce::MidiMessage> dataPacket (uint8_t packetNumber, const uint8_t* chunk, int n);

juce::MidiMessage endOfFile();   // EOF, F0 7E 00 7B 00 F7
juce::MidiMessage cancel();      // CANCEL, F0 7E 00 7D 00 F7

/** A handshake that the organ sends, F0 7E dd kind pp F7. */
struct Handshake
{
    enum class Kind
    {
        ignored,   // WAIT, EOF, any other kind, or a message too short to be a handshake
        ack,
        nak,
        cancel
    };

    Kind kind = Kind::ignored;
    uint8_t code = 0;   // byte 4: the organ's error code in a CANCEL and in a NAK that ends a transfer
};

/** Reads a received System Exclusive message whose byte 1 is 7E; the device ID is not compared. */
Handshake readHandshake (const juce::MidiMessage& message);
}   // namespace orvane::filedump
