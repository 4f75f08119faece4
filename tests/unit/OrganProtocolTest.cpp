#include "organ/OrganProtocol.h"
#include "support/MainContentComponentTestAccess.h"

#include "organ/FloatBits.h"

#include "support/MidiBytes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

using namespace orvane::protocol;
using Bytes = std::vector<uint8_t>;
using Kind = OrganMessage::Kind;

namespace
{
using orvane::test::bytesOf;
using orvane::test::hex;

/** Every byte between F0 and F7 must be a data byte. */
void expectOnlyDataBytesInside (const Bytes& message)
{
    ASSERT_GE (message.size(), 2u);
    EXPECT_EQ (message.front(), 0xF0);
    EXPECT_EQ (message.back(), 0xF7);
    for (size_t i = 1; i + 1 < message.size(); ++i)
        EXPECT_LT (message[i], 0x80) << "byte " << i << " of " << hex (message);
}
}   // namespace

TEST (OrganProtocol, FloatFormCarriesTheValuesBitsAndTheIndexLow14Bits)
{
    struct Case
    {
        int index;
        uint32_t bits;
        Bytes expected;
    };
    const Case cases[] = {
        { 84, 0x3F800000, { 0xF0, 0x7D, 0x1E, 0x01, 0x54, 0x00, 0x00, 0x00, 0x00, 0x7C, 0x03, 0xF7 } },   // 1.0
        { 5, 0x42C80000, { 0xF0, 0x7D, 0x1E, 0x01, 0x05, 0x00, 0x00, 0x00, 0x20, 0x16, 0x04, 0xF7 } },    // 100.0
        { 9, 0xC0C00000, { 0xF0, 0x7D, 0x1E, 0x01, 0x09, 0x00, 0x00, 0x00, 0x00, 0x06, 0x0C, 0xF7 } },    // -6.0
        { 8, 0x80000000, { 0xF0, 0x7D, 0x1E, 0x01, 0x08, 0x00, 0x00, 0x00, 0x00, 0x00, 0x08, 0xF7 } },    // -0.0
        { 200, 0x00000000, { 0xF0, 0x7D, 0x1E, 0x01, 0x48, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0xF7 } },
        { 16384 + 5, 0x00000000, { 0xF0, 0x7D, 0x1E, 0x01, 0x05, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xF7 } },
        { -1, 0xFFFFFFFF, { 0xF0, 0x7D, 0x1E, 0x01, 0x7F, 0x7F, 0x7F, 0x7F, 0x7F, 0x7F, 0x0F, 0xF7 } },   // a NaN
    };
    for (const auto& c : cases)
    {
        const auto message = bytesOf (setFloatParameter (c.index, orvane::floatFromBits (c.bits)));
        EXPECT_EQ (message, c.expected) << "index " << c.index << " bits " << std::hex << c.bits;
        expectOnlyDataBytesInside (message);
    }
}

TEST (OrganProtocol, FloatFormReadsBackBitForBit)
{
    const uint32_t patterns[] = { 0x3F800000, 0x42C80000, 0xC0C00000, 0x80000000, 0x00000000, 0x00000001,
                                  0x7F800000, 0xFF800000, 0x7FC00000, 0x7FC00001, 0xFFFFFFFF, 0x807FFFFF };
    for (const auto bits : patterns)
    {
        const auto message = bytesOf (setFloatParameter (42, orvane::floatFromBits (bits)));
        const auto received = decodeOrganMessage (message.data(), (int) message.size());
        EXPECT_EQ (received.kind, Kind::parameter);
        EXPECT_EQ (received.number, 42);
        EXPECT_EQ (orvane::floatBits (received.value), bits) << std::hex << bits;
    }
}

TEST (OrganProtocol, ByteFormTruncatesAndHoldsTheValueToADataByte)
{
    struct Case
    {
        int index;
        float value;
        uint8_t k;
        uint8_t d;
    };
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float infinity = std::numeric_limits<float>::infinity();
    const Case cases[] = {
        { 85, 2.9f, 0x00, 0x02 },
        { 98, 1.0f, 0x0D, 0x01 },
        { 97, 2.0f, 0x0C, 0x02 },
        { 90, 127.0f, 0x05, 0x7F },
        { 90, 127.9f, 0x05, 0x7F },
        { 90, 128.0f, 0x05, 0x7F },
        { 90, 300.0f, 0x05, 0x7F },
        { 90, 1.0e30f, 0x05, 0x7F },
        { 90, infinity, 0x05, 0x7F },
        { 90, 0.99f, 0x05, 0x00 },
        { 90, -0.5f, 0x05, 0x00 },
        { 90, -3.0f, 0x05, 0x00 },
        { 90, -infinity, 0x05, 0x00 },
        { 90, nan, 0x05, 0x00 },
        { 90, -0.0f, 0x05, 0x00 },
    };
    for (const auto& c : cases)
    {
        const auto message = bytesOf (setByteParameter (c.index, c.value));
        EXPECT_EQ (message, (Bytes { 0xF0, 0x7D, 0x1E, 0x02, c.k, c.d, 0xF7 })) << c.index << " " << c.value;
        expectOnlyDataBytesInside (message);
    }
}

TEST (OrganProtocol, ShortRequestsAreTheSixBytesOfTheCommandSet)
{
    struct Case
    {
        juce::MidiMessage message;
        Bytes expected;
    };
    const Case cases[] = {
        { storeRequest(), { 0xF0, 0x7D, 0x1E, 0x03, 0x00, 0xF7 } },
        { dumpRequestFor (firstDump), { 0xF0, 0x7D, 0x1E, 0x04, 0x7D, 0xF7 } },
        { dumpRequestFor (secondDump), { 0xF0, 0x7D, 0x1E, 0x04, 0x7E, 0xF7 } },
        { dumpRequestFor (thirdDump), { 0xF0, 0x7D, 0x1E, 0x04, 0x7C, 0xF7 } },
        { identityRequestMessage(), { 0xF0, 0x7D, 0x1E, 0x06, 0x01, 0xF7 } },
        { resetRequest(), { 0xF0, 0x7D, 0x1E, 0x08, 0x00, 0xF7 } },
        { bulkSendBegin(), { 0xF0, 0x7D, 0x1E, 0x0A, 0x01, 0xF7 } },
        { bulkSendEnd(), { 0xF0, 0x7D, 0x1E, 0x0A, 0x00, 0xF7 } },
    };
    for (const auto& c : cases)
    {
        EXPECT_EQ (bytesOf (c.message), c.expected) << hex (c.expected);
        EXPECT_TRUE (c.message.isSysEx());
    }
}

TEST (OrganProtocol, DecodesWhatTheOrganSends)
{
    struct Case
    {
        Bytes message;
        Kind kind;
        int number;
        float value;
        const char* name;
    };
    const Case cases[] = {
        { { 0xF0, 0x7D, 0x1E, 0x01, 0x05, 0x00, 0x00, 0x00, 0x20, 0x16, 0x04, 0xF7 }, Kind::parameter, 5, 100.0f, "" },
        // Only the low four bits of the fifth value byte count, bit 7 of the others is dropped.
        { { 0xF0, 0x7D, 0x1E, 0x01, 0x54, 0x00, 0x00, 0x00, 0x00, 0x7C, 0x13, 0xF7 }, Kind::parameter, 84, 1.0f, "" },
        { { 0xF0, 0x7D, 0x1E, 0x01, 0x54, 0x00, 0x00, 0x00, 0x00, 0x7C, 0x03, 0xF7 }, Kind::parameter, 84, 1.0f, "" },
        { { 0xF0, 0x7D, 0x1E, 0x01, 0xD4, 0x80, 0x80, 0x80, 0x80, 0xFC, 0x03, 0xF7 }, Kind::parameter, 84, 1.0f, "" },
        { { 0xF0, 0x7D, 0x1E, 0x02, 0x0C, 0x03, 0xF7 }, Kind::parameter, 97, 3.0f, "" },
        { { 0xF0, 0x7D, 0x1E, 0x02, 0x00, 0x7F, 0xF7 }, Kind::parameter, 85, 127.0f, "" },
        { { 0xF0, 0x7D, 0x1E, 0x02, 0x0D, 0x90, 0xF7 }, Kind::parameter, 98, 144.0f, "" },   // byte taken whole
        // Longer than the layout: the extra bytes are not read.
        { { 0xF0, 0x7D, 0x1E, 0x02, 0x0C, 0x01, 0x55, 0xF7 }, Kind::parameter, 97, 1.0f, "" },
        { { 0xF0, 0x7D, 0x1E, 0x05, 0xF7 }, Kind::operationComplete, 0, 0.0f, "" },
        { { 0xF0, 0x7D, 0x1E, 0x05, 0x01, 0x02, 0xF7 }, Kind::operationComplete, 0, 0.0f, "" },
        { { 0xF0, 0x7D, 0x1E, 0x07, 0x05, 0x03, 0x00, 0x01, 0x02, 0x00, 0xF7 }, Kind::identityReply, 0, 0.0f, "" },
        { { 0xF0, 0x7D, 0x1E, 0x09, 0x03, 0x00, 0xF7 }, Kind::slotName, 3, 0.0f, "" },
        { { 0xF0, 0x7D, 0x1E, 0x09, 0x05, 'B', '3', 0x00, 0xF7 }, Kind::slotName, 5, 0.0f, "B3" },
        { { 0xF0, 0x7D, 0x1E, 0x09, 0x00, 'a', 0x00, 'b', 0x00, 0xF7 }, Kind::slotName, 0, 0.0f, "a" },
    };
    for (const auto& c : cases)
    {
        const auto received = decodeOrganMessage (c.message.data(), (int) c.message.size());
        EXPECT_EQ (received.kind, c.kind) << hex (c.message);
        EXPECT_EQ (received.number, c.number) << hex (c.message);
        EXPECT_EQ (received.value, c.value) << hex (c.message);
        EXPECT_EQ (received.name, juce::String (c.name)) << hex (c.message);
    }
}

TEST (OrganProtocol, SlotNamesAreLatin1)
{
    const Bytes message = { 0xF0, 0x7D, 0x1E, 0x09, 0x04, 'C', 0xE9, 0xFF, 0x00, 0xF7 };
    const auto received = decodeOrganMessage (message.data(), (int) message.size());
    ASSERT_EQ (received.kind, Kind::slotName);
    const juce::juce_wchar expected[] = { 'C', 0xE9, 0xFF, 0 };
    EXPECT_EQ (received.name, juce::String (juce::CharPointer_UTF32 (expected)));
}

TEST (OrganProtocol, IgnoresWhatItMustNotTake)
{
    auto ignored = orvane::test::foreignAndEchoedMessages();
    ignored.push_back ({ 0xF0, 0x41, 0x10, 0x42, 0x12, 0xF7 });   // another maker's without data
    const auto malformed = orvane::test::malformedOrganMessages().all();
    ignored.insert (ignored.end(), malformed.begin(), malformed.end());
    for (const auto& message : ignored)
        EXPECT_EQ (decodeOrganMessage (message.data(), (int) message.size()).kind, Kind::ignored) << hex (message);
}

TEST (OrganProtocol, SlotNameIsNeverReadPastTheMessage)
{
    // A 00 right behind the message in memory must not end the name.
    const uint8_t memory[] = { 0xF0, 0x7D, 0x1E, 0x09, 0x01, 'A', 'B', 0xF7, 0x00, 0x00 };
    EXPECT_FALSE (decodeSlotName (memory, 8).has_value());
    EXPECT_EQ (decodeOrganMessage (memory, 8).kind, Kind::ignored);
    EXPECT_FALSE (decodeSlotName (memory, 5).has_value());
}

TEST (OrganProtocol, IdentityReplyFields)
{
    const uint8_t reply[] = { 0xF0, 0x7D, 0x1E, 0x07, 0x05, 0x06, 0x01, 0x02, 0xFF, 0xFF, 0xF7 };
    const auto fields = decodeIdentityReply (reply);
    EXPECT_EQ (fields.protocolLevel, 5);
    EXPECT_EQ (fields.model, 6);
    EXPECT_EQ (fields.revision, 1);
    EXPECT_EQ (fields.releaseMajor, 2);
    EXPECT_EQ (fields.releaseMinor, 510);
}

//==============================================================================
// The component's sends

class OrganMessages : public ::testing::Test
{
protected:
    MainContentComponent editor;
    std::shared_ptr<orvane::test::SentMessages> sent = MainContentComponentTestAccess::recordOutput (editor);

    void setValue (int index, float value) { MainContentComponentTestAccess::projectImage (editor).setValue (index, value); }
};

TEST_F (OrganMessages, EachParameterGoesOutInTheFormOfItsIndex)
{
    struct Case
    {
        uint8_t index;
        float value;
        Bytes expected;
    };
    const Case cases[] = {
        { 84, 1.0f, { 0xF0, 0x7D, 0x1E, 0x01, 0x54, 0x00, 0x00, 0x00, 0x00, 0x7C, 0x03, 0xF7 } },
        { 5, 100.0f, { 0xF0, 0x7D, 0x1E, 0x01, 0x05, 0x00, 0x00, 0x00, 0x20, 0x16, 0x04, 0xF7 } },
        { 85, 2.9f, { 0xF0, 0x7D, 0x1E, 0x02, 0x00, 0x02, 0xF7 } },
        { 98, 1.0f, { 0xF0, 0x7D, 0x1E, 0x02, 0x0D, 0x01, 0xF7 } },
        { 97, 300.0f, { 0xF0, 0x7D, 0x1E, 0x02, 0x0C, 0x7F, 0xF7 } },   // e.g. from a project file
        { 96, -2.0f, { 0xF0, 0x7D, 0x1E, 0x02, 0x0B, 0x00, 0xF7 } },
    };
    for (const auto& c : cases)
    {
        sent->clear();
        setValue (c.index, c.value);
        editor.sendParameter (c.index);
        EXPECT_EQ (sent->get(), std::vector<Bytes> { c.expected }) << "parameter " << (int) c.index;
    }
}

TEST_F (OrganMessages, NothingGoesOutWithoutAnOutputOrForAnIndexOutsideTheSet)
{
    for (const uint8_t index : { 99, 100, 255 })
        editor.sendParameter (index);
    EXPECT_TRUE (sent->get().empty());

    const auto before = MainContentComponentTestAccess::projectImage (editor).toBytes();
    MainContentComponentTestAccess::midiOutput (editor).close();
    for (int index = 0; index < 256; ++index)
        editor.sendParameter ((uint8_t) index);
    MainContentComponent::sendFloatParameter (nullptr, 5, 1.0f);
    MainContentComponent::sendFloatParameter (&MainContentComponentTestAccess::midiOutput (editor), 5, 1.0f);
    EXPECT_TRUE (sent->get().empty());
    EXPECT_EQ (MainContentComponentTestAccess::projectImage (editor).toBytes(), before);
}

// What the editor would answer or send on its own, were it still listening: an accepted
// identity asks for the first dump, an edit goes out, an output put in place carries it.
TEST_F (OrganMessages, AfterTheWindowsCloseRequestNothingReachesTheOrgan)
{
    editor.letGoOfOrgan();

    MainContentComponentTestAccess::receive (editor, orvane::test::midi ({ 0xF0, 0x7D, 0x1E, 0x07, 0x05, 0x03, 0x00, 0x01, 0x02, 0x00, 0xF7 }));
    editor.sendParameter (5);
    editor.sendParameter (90);
    const auto later = MainContentComponentTestAccess::recordOutput (editor);
    editor.sendToOrgan (orvane::protocol::identityRequestMessage());

    EXPECT_EQ (MainContentComponentTestAccess::pendingOperation (editor).load(), downloadStep1);   // it did answer
    EXPECT_TRUE (sent->get().empty());
    EXPECT_TRUE (later->get().empty());
    EXPECT_FALSE (MainContentComponentTestAccess::midiOutput (editor).isOpen());
}

TEST_F (OrganMessages, FloatFormOnAnyOutputSendsTheIndexLow14Bits)
{
    MainContentComponent::sendFloatParameter (&MainContentComponentTestAccess::midiOutput (editor), 200, 0.0f);
    EXPECT_EQ (sent->get(), (std::vector<Bytes> { { 0xF0, 0x7D, 0x1E, 0x01, 0x48, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0xF7 } }));
}
