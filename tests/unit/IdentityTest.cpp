#include "organ/Identity.h"

#include <gtest/gtest.h>

using namespace orvane::identity;

// From the reply's bytes, through the one decoder the reception uses.
TEST (Identity, FirmwareTextFollowsTheReleaseRule)
{
    struct Case
    {
        uint8_t a, b1, b2;
        const char* text;
    };
    const Case cases[] = {
        { 1, 2, 0, "rel 1.2" },
        { 1, 25, 0, "rel 1.25" },
        { 1, 20, 6, "rel 1.2.6" },
        { 2, 100, 3, "rel 2.10.3" },
        { 0, 0, 0, "rel 0.0" },
        { 1, 30, 0, "rel 1.3.0" },
        { 255, 255, 255, "rel 255.51.0" },
    };
    for (const auto& c : cases)
    {
        const uint8_t reply[] = { 0xF0, 0x7D, 0x1E, 0x07, 0x05, 0x06, 0x00, c.a, c.b1, c.b2, 0xF7 };
        EXPECT_EQ (firmwareText (orvane::protocol::decodeIdentityReply (reply)), juce::String (c.text))
            << (int) c.a << " " << (int) c.b1 << " " << (int) c.b2;
    }
}

TEST (Identity, RefusalReasonsInTheirOrder)
{
    struct Case
    {
        uint8_t protocol;
        int model, revision, reason;
    };
    const Case cases[] = {
        { 5, 0, 0, 0 },
        { 5, 3, 1, 0 },
        { 0, 0, 0, 2 },
        { 4, 9, 9, 2 },
        { 6, 0, 0, 1 },
        { 255, 0, 0, 1 },
        { 5, 4, 0, 3 },
        { 5, 1, 2, 3 },
        { 5, -1, 0, 3 },
        { 5, -3, 0, 3 },
        { 5, 0, 255, 3 },
    };
    for (const auto& c : cases)
        EXPECT_EQ (refusalReason (c.protocol, c.model, c.revision), c.reason)
            << (int) c.protocol << " " << c.model << " " << c.revision;
}

// The organ names its model with the bytes 3..6; every other byte is a model this editor
// does not know and is refused.
TEST (Identity, ModelBytesThreeToSixAreTheFourModels)
{
    struct Case
    {
        uint8_t modelByte;
        int32_t modelIndex;
        bool accepted;
    };
    const Case cases[] = {
        { 3, 0, true },
        { 4, 1, true },
        { 5, 2, true },
        { 6, 3, true },
        { 0, -3, false },
        { 2, -1, false },
        { 7, 4, false },
        { 127, 124, false },
    };
    for (const auto& c : cases)
    {
        const uint8_t bytes[] = { 0xF0, 0x7D, 0x1E, 0x07, 0x05, c.modelByte, 0x00, 0x01, 0x02, 0x00, 0xF7 };
        const auto reply = orvane::protocol::decodeIdentityReply (bytes);
        EXPECT_EQ (modelIndexOf (reply), c.modelIndex) << (int) c.modelByte;
        EXPECT_EQ (refusalReason (reply.protocolLevel, modelIndexOf (reply), reply.revision) == 0, c.accepted) << (int) c.modelByte;
    }
}
