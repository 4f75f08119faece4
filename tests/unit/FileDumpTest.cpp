#include "organ/FileDump.h"
#include "support/MainContentComponentTestAccess.h"

#include "support/MidiBytes.h"

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

using namespace orvane::filedump;
using Bytes = std::vector<uint8_t>;

namespace
{
using orvane::test::bytesOf;
using orvane::test::hex;
using orvane::test::midi;

/** What the organ does with a packet: checks its frame and checksum and undoes the 7-in-8
    encoding. */
Bytes receivePacket (const Bytes& packet)
{
    EXPECT_EQ (packet.front(), 0xF0);
    EXPECT_EQ (packet.back(), 0xF7);
    for (size_t i = 1; i + 1 < packet.size(); ++i)
        EXPECT_LT (packet[i], 0x80) << "byte " << i;

    const size_t e = packet[6] + 1u;
    EXPECT_EQ (packet.size(), 9 + e);
    uint8_t checksum = 0;
    for (size_t i = 1; i < 7 + e; ++i)
        checksum ^= packet[i];
    EXPECT_EQ (packet[7 + e], checksum);

    Bytes payload;
    for (size_t group = 7; group < 7 + e; group += 8)
        for (size_t i = group + 1; i < std::min (group + 8, 7 + e); ++i)
            payload.push_back ((uint8_t) (packet[i] | (((packet[group] >> (6 - (i - group - 1))) & 1) << 7)));
    return payload;
}
}   // namespace

TEST (FileDump, DataPacketsOfTheWorkedExamples)
{
    struct Case
    {
        uint8_t packetNumber;
        Bytes payload;
        Bytes expected;
    };
    const Case cases[] = {
        { 0x00, { 0x61, 0x62, 0x63 }, { 0xF0, 0x7E, 0x00, 0x07, 0x02, 0x00, 0x03, 0x00, 0x61, 0x62, 0x63, 0x18, 0xF7 } },
        { 0x05, { 0x80, 0xFF, 0x01 }, { 0xF0, 0x7E, 0x00, 0x07, 0x02, 0x05, 0x03, 0x60, 0x00, 0x7F, 0x01, 0x63, 0xF7 } },
        { 0x00, { 0x80, 0x81, 0x82, 0x83, 0x84, 0x85, 0x86, 0x87 }, { 0xF0, 0x7E, 0x00, 0x07, 0x02, 0x00, 0x09, 0x7F, 0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x40, 0x07, 0x4D, 0xF7 } },
    };
    for (const auto& c : cases)
    {
        const auto packet = dataPacket (c.packetNumber, c.payload.data(), (int) c.payload.size());
        ASSERT_TRUE (packet.has_value());
        EXPECT_EQ (bytesOf (*packet), c.expected) << hex (c.payload);
    }
}

TEST (FileDump, ChunksOfEverySizeEncodeAndReadBack)
{
    struct Case
    {
        int n;
        int encoded;
        uint8_t count;
        size_t packetLength;
    };
    const Case landmarks[] = { { 1, 2, 0x01, 11 }, { 7, 8, 0x07, 17 }, { 8, 10, 0x09, 19 }, { 104, 119, 0x76, 128 } };
    for (const auto& c : landmarks)
    {
        EXPECT_EQ (encodedSize (c.n), c.encoded);
        const Bytes chunk ((size_t) c.n, 0xAA);
        const auto packet = bytesOf (*dataPacket (0, chunk.data(), c.n));
        EXPECT_EQ (packet.size(), c.packetLength) << c.n;
        EXPECT_EQ (packet[6], c.count) << c.n;
    }

    Bytes payload (maxChunkSize);
    std::iota (payload.begin(), payload.end(), (uint8_t) 0x70);   // crosses 80 and wraps past FF
    for (int n = 1; n <= maxChunkSize; ++n)
    {
        const auto packet = dataPacket (0x11, payload.data(), n);
        ASSERT_TRUE (packet.has_value()) << n;
        EXPECT_EQ (receivePacket (bytesOf (*packet)), Bytes (payload.begin(), payload.begin() + n)) << n;
    }
}

TEST (FileDump, PacketNumberKeepsSevenBitsAndChunkSizeIsBounded)
{
    const uint8_t byte = 0x42;
    EXPECT_EQ (bytesOf (*dataPacket (0x7F, &byte, 1))[5], 0x7F);
    EXPECT_EQ (bytesOf (*dataPacket (0x80, &byte, 1))[5], 0x00);

    const Bytes tooLong (maxChunkSize + 1, 0);
    EXPECT_FALSE (dataPacket (0, tooLong.data(), 0).has_value());
    EXPECT_FALSE (dataPacket (0, tooLong.data(), -1).has_value());
    EXPECT_FALSE (dataPacket (0, tooLong.data(), maxChunkSize + 1).has_value());
}

TEST (FileDump, HeaderAnnouncesTypeLengthAndTheWholeNameField)
{
    NameField name {};
    name[0] = 'a', name[1] = 'b', name[2] = 'c';
    Bytes expected = { 0xF0, 0x7E, 0x00, 0x07, 0x01, 0x00, 0x41, 0x43, 0x32, 0x00, 0x68, 0x07, 0x00, 0x00, 0x61, 0x62, 0x63 };
    expected.resize (46, 0x00);
    expected.push_back (0xF7);
    EXPECT_EQ (bytesOf (header (typeForSlot (4), 1000, name)), expected);

    // Bit 7 of a name or type byte is cleared; every length group stays a data byte.
    name.fill (0xE1);
    const auto full = bytesOf (header ({ 0xC1, 0x43, 0x31, 0x80 }, 0xFFFFFFFF, name));
    ASSERT_EQ (full.size(), (size_t) headerLength);
    EXPECT_EQ (Bytes (full.begin() + 6, full.begin() + 14), (Bytes { 0x41, 0x43, 0x31, 0x00, 0x7F, 0x7F, 0x7F, 0x7F }));
    EXPECT_EQ (Bytes (full.begin() + 14, full.begin() + 46), Bytes (32, 0x61));

    const auto largest = bytesOf (header (typeForSlot (5), 1048512, {}));
    EXPECT_EQ (Bytes (largest.begin() + 6, largest.begin() + 14), (Bytes { 0x41, 0x43, 0x33, 0x00, 0x40, 0x7F, 0x3F, 0x00 }));
}

TEST (FileDump, TypeFieldsOfTheUploadSlots)
{
    EXPECT_EQ (typeForSlot (3), (TypeField { 0x41, 0x43, 0x31, 0x00 }));
    EXPECT_EQ (typeForSlot (4), (TypeField { 0x41, 0x43, 0x32, 0x00 }));
    EXPECT_EQ (typeForSlot (5), (TypeField { 0x41, 0x43, 0x33, 0x00 }));
}

TEST (FileDump, EndOfFileAndCancel)
{
    EXPECT_EQ (bytesOf (endOfFile()), (Bytes { 0xF0, 0x7E, 0x00, 0x7B, 0x00, 0xF7 }));
    EXPECT_EQ (bytesOf (cancel()), (Bytes { 0xF0, 0x7E, 0x00, 0x7D, 0x00, 0xF7 }));
}

TEST (FileDump, RecognisesTheOrgansHandshakes)
{
    using Kind = Handshake::Kind;
    struct Case
    {
        Bytes message;
        Kind kind;
        uint8_t code;
    };
    const Case cases[] = {
        { { 0xF0, 0x7E, 0x00, 0x7F, 0x03, 0xF7 }, Kind::ack, 0x03 },
        { { 0xF0, 0x7E, 0x7F, 0x7F, 0x00, 0xF7 }, Kind::ack, 0x00 },   // any device ID
        { { 0xF0, 0x7E, 0x10, 0x7E, 0x02, 0xF7 }, Kind::nak, 0x02 },
        { { 0xF0, 0x7E, 0x00, 0x7D, 0x04, 0xF7 }, Kind::cancel, 0x04 },
        { { 0xF0, 0x7E, 0x00, 0x7D, 0x09, 0x00, 0xF7 }, Kind::cancel, 0x09 },
        { { 0xF0, 0x7E, 0x00, 0x7C, 0x01, 0xF7 }, Kind::ignored, 0 },   // WAIT
        { { 0xF0, 0x7E, 0x00, 0x7B, 0x00, 0xF7 }, Kind::ignored, 0 },   // EOF
        { { 0xF0, 0x7E, 0x00, 0x07, 0x02, 0x00, 0x03, 0x00, 0x61, 0x62, 0x63, 0x18, 0xF7 }, Kind::ignored, 0 },
        { { 0xF0, 0x7E, 0x00, 0x06, 0x02, 0xF7 }, Kind::ignored, 0 },
        { { 0xF0, 0x7E, 0x00, 0x7F, 0xF7 }, Kind::ignored, 0 },   // too short
        { { 0xF0, 0x7E, 0x00, 0xF7 }, Kind::ignored, 0 },
        { { 0xF0, 0x7D, 0x00, 0x7F, 0x00, 0xF7 }, Kind::ignored, 0 },   // not universal
    };
    for (const auto& c : cases)
    {
        const auto handshake = readHandshake (midi (c.message));
        EXPECT_EQ (handshake.kind, c.kind) << hex (c.message);
        if (c.kind != Kind::ignored)
        {
            EXPECT_EQ (handshake.code, c.code) << hex (c.message);
        }
    }
}

//==============================================================================
// The component's packet send, from the upload fields

class TonewheelPacket : public ::testing::Test
{
protected:
    using Access = MainContentComponentTestAccess;

    MainContentComponent editor;
    std::shared_ptr<orvane::test::SentMessages> sent = Access::recordOutput (editor);

    void setChunk (uint8_t packetNumber, const uint8_t* cursor, uint8_t size)
    {
        Access::packetNumber (editor) = packetNumber;
        Access::uploadCursor (editor) = cursor;
        Access::chunkSize (editor) = size;
    }
};

TEST_F (TonewheelPacket, SendsTheCurrentChunkAndResendsItUnchanged)
{
    auto* buffer = Access::uploadBuffer (editor);
    const uint8_t payload[] = { 0x10, 0x80, 0xFF, 0x01 };
    std::copy (std::begin (payload), std::end (payload), buffer + 200);

    setChunk (0x05, buffer + 201, 3);
    Access::sendTonewheelPacket (editor);
    Access::sendTonewheelPacket (editor);

    const Bytes expected = { 0xF0, 0x7E, 0x00, 0x07, 0x02, 0x05, 0x03, 0x60, 0x00, 0x7F, 0x01, 0x63, 0xF7 };
    EXPECT_EQ (sent->get(), (std::vector<Bytes> { expected, expected }));
    EXPECT_EQ (Access::packetNumber (editor), 0x05);
    EXPECT_EQ (Access::chunkSize (editor), 3);
    EXPECT_EQ (Access::uploadCursor (editor), buffer + 201);
}

TEST_F (TonewheelPacket, SendsNothingForAChunkOutsideTheBufferOrWithoutAnOutput)
{
    auto* buffer = Access::uploadBuffer (editor);
    const uint8_t outside[maxChunkSize] = {};
    struct Case
    {
        const uint8_t* cursor;
        uint8_t size;
    };
    const Case cases[] = {
        { nullptr, 1 },   // no upload yet
        { buffer, 0 },
        { buffer, maxChunkSize + 1 },
        { buffer + maxTonewheelFileSize - 3, 4 },   // runs past the end
        { buffer + maxTonewheelFileSize, 1 },
        { outside, 1 },
    };
    for (const auto& c : cases)
    {
        setChunk (0, c.cursor, c.size);
        Access::sendTonewheelPacket (editor);
    }
    EXPECT_TRUE (sent->get().empty());

    setChunk (0, buffer + maxTonewheelFileSize - maxChunkSize, maxChunkSize);   // the last full chunk
    Access::sendTonewheelPacket (editor);
    EXPECT_EQ (sent->get().size(), 1u);

    Access::midiOutput (editor).close();
    Access::sendTonewheelPacket (editor);
    EXPECT_EQ (sent->get().size(), 1u);
}
