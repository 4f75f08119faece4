#include "organ/ProjectImage.h"
#include "resources/OrganTables.h"

#include <gtest/gtest.h>

using namespace orvane;

TEST (ProjectImage, FactoryImageIsTheBytesOfAFreshProjectFile)
{
    const ProjectImage image;
    const auto block = image.toBytes();
    ASSERT_EQ (block.getSize(), 416u);

    const auto* b = static_cast<const uint8_t*> (block.getData());
    const uint8_t header[] = { 0x63, 0x19, 0x07, 0x27, 0x01, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x63, 0, 0, 0 };
    EXPECT_TRUE (std::equal (std::begin (header), std::end (header), b));

    const uint8_t first[] = { 0x00, 0x00, 0xC8, 0x42 };   // 100.0f
    EXPECT_TRUE (std::equal (std::begin (first), std::end (first), b + 20));
    for (int i = 0; i < numParameters; ++i)
        EXPECT_EQ (readFloatLE (b + 20 + 4 * i), defaultParameterValues[0][i]) << "parameter " << i;

    // The factory values of the organ's parameter catalogue, written out, so that a wrong entry
    // of the default rows shows: row 0 in the image, row 1 where it differs.
    struct Case
    {
        int index;
        float row0, row1;
    };
    const Case cases[] = {
        { 0, 100.0f, 100.0f },
        { 4, 6.0f, 6.0f },
        { 9, -6.0f, -6.0f },
        { 11, 1.0f, 0.3f },
        { 16, -2.0f, 6.0f },
        { 17, 360.0f, 430.0f },
        { 27, 5.52f, 5.52f },
        { 29, 6.8567f, 6.8567f },
        { 30, -4.0f, -1.0f },
        { 31, -12.5f, -9.5f },
        { 35, 0.15f, 0.1f },
        { 41, 53.2f, 58.0f },
        { 54, 25.0f, 30.0f },
        { 58, -5.2f, -5.2f },
        { 61, -4.5f, -4.5f },
        { 84, 0.0f, 0.0f },
        { 86, 1.0f, 1.0f },
        { 90, 1.0f, 1.0f },
        { 97, 2.0f, 2.0f },
        { 98, 0.0f, 0.0f },
    };
    for (const auto& c : cases)
    {
        EXPECT_EQ (readFloatLE (b + 20 + 4 * c.index), c.row0) << "parameter " << c.index;
        EXPECT_EQ (defaultRowFor (0)[c.index], c.row0) << "parameter " << c.index;
        EXPECT_EQ (defaultRowFor (1)[c.index], c.row1) << "parameter " << c.index;
    }
}

TEST (ProjectImage, IdentityIsWrittenLittleEndianWithItsSign)
{
    ProjectImage image;
    image.modelIndex = -2;
    image.hardwareRevision = 258;
    const auto block = image.toBytes();
    const auto* b = static_cast<const uint8_t*> (block.getData());
    EXPECT_EQ (readUInt32LE (b + 8), 0xFFFFFFFEu);
    EXPECT_EQ (readUInt32LE (b + 12), 258u);
}

TEST (OrganTables, LookupsOutsideTheTablesStayInside)
{
    struct Case
    {
        int value;
        const char* model;
        const char* revision;
        int row;
    };
    const Case cases[] = {
        { 0, "Orvane", "", 0 },
        { 1, "Orvane Rise", "NRS", 1 },
        { 3, "Orvane Mod", "", 0 },
        { 4, "", "", 0 },
        { -1, "", "", 0 },
        { 255, "", "", 0 },
        { -2147483647 - 1, "", "", 0 },
    };
    for (const auto& c : cases)
    {
        EXPECT_EQ (modelNameFor (c.value), juce::String (c.model)) << c.value;
        EXPECT_EQ (revisionNameFor (c.value), juce::String (c.revision)) << c.value;
        EXPECT_EQ (defaultRowFor (c.value), defaultParameterValues[c.row]) << c.value;
    }
}

TEST (OrganTables, RevisionRowsDifferOnlyWhereTheCatalogueSays)
{
    const int differing[] = { 11, 12, 14, 15, 16, 17, 19, 20, 21, 22, 30, 31, 35, 36, 41, 54 };
    for (int i = 0; i < numParameters; ++i)
    {
        const bool listed = std::find (std::begin (differing), std::end (differing), i) != std::end (differing);
        EXPECT_EQ (defaultParameterValues[0][i] != defaultParameterValues[1][i], listed) << "parameter " << i;
    }
}
