#include "organ/TonewheelFile.h"
#include "resources/UploadErrors.h"

#include <gtest/gtest.h>

#include <vector>

using namespace orvane;

namespace
{
std::vector<uint8_t> tonewheelBytes (size_t size, uint32_t magic = 0x27071963)
{
    std::vector<uint8_t> bytes (size);
    for (size_t i = 0; i < size; ++i)
        bytes[i] = (uint8_t) (i * 7 + 1);
    for (size_t i = 0; i < 4 && i < size; ++i)
        bytes[i] = (uint8_t) (magic >> (8 * i));
    return bytes;
}
}   // namespace

TEST (TonewheelFile, ExtensionInAnyCaseOnly)
{
    const juce::File folder ("/tmp");
    EXPECT_TRUE (tonewheel::hasTonewheelExtension (folder.getChildFile ("wheels.otw")));
    EXPECT_TRUE (tonewheel::hasTonewheelExtension (folder.getChildFile ("WHEELS.OTW")));
    EXPECT_TRUE (tonewheel::hasTonewheelExtension (folder.getChildFile ("wheels.oTw")));
    EXPECT_FALSE (tonewheel::hasTonewheelExtension (folder.getChildFile ("wheels")));
    EXPECT_FALSE (tonewheel::hasTonewheelExtension (folder.getChildFile ("wheels.otw.bak")));
    EXPECT_FALSE (tonewheel::hasTonewheelExtension (folder.getChildFile ("wheels.hop")));
}

TEST (TonewheelFile, AcceptsOnlyAWholeHeadWithTheMagicWithinOneMebibyte)
{
    struct Case
    {
        size_t size;
        uint32_t magic;
        bool accepted;
    };
    const Case cases[] = {
        { 1000, 0x27071963, true },
        { 64, 0x27071963, true },        // empty payload
        { 1048576, 0x27071963, true },   // the largest file
        { 1048577, 0x27071963, false },
        { 63, 0x27071963, false },   // magic right, but no room for the name
        { 4, 0x27071963, false },
        { 3, 0x00071963, false },   // missing bytes count as 0
        { 0, 0, false },
        { 1000, 0x63190727, false },   // big-endian magic
    };

    for (const auto& c : cases)
    {
        const auto bytes = tonewheelBytes (c.size, c.magic);
        const auto contents = tonewheel::readContents (bytes.data(), bytes.size());
        ASSERT_EQ (contents.has_value(), c.accepted) << "size " << c.size;
        if (! contents)
            continue;

        EXPECT_EQ (contents->payload, bytes.data() + 64);
        EXPECT_EQ (contents->payloadSize, (int) c.size - 64);
        EXPECT_TRUE (std::equal (contents->name.begin(), contents->name.end(), bytes.begin() + 32));
    }
}

TEST (UploadErrors, CodesOutsideTheTableAreNamed)
{
    EXPECT_EQ (deviceErrorTextFor (5), "The dsp can not write flash!");
    EXPECT_EQ (deviceErrorTextFor (6), "The device reported error 6!");
    EXPECT_EQ (deviceErrorTextFor (127), "The device reported error 127!");
}
