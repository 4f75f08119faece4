#include "organ/ProjectFile.h"

#include "organ/FloatBits.h"
#include "support/TestHarness.h"

#include <gtest/gtest.h>

#include <vector>

using namespace orvane;

namespace
{
/** An image whose every field differs from the factory state. */
void fillDistinct (ProjectImage& image, int32_t model, int32_t revision)
{
    image.modelIndex = model;
    image.hardwareRevision = revision;
    for (int i = 0; i < numParameters; ++i)
        image.setValue (i, -0.5f * (float) i - 1000.0f);
}

std::vector<uint8_t> bytesOf (const ProjectImage& image)
{
    const auto block = image.toBytes();
    const auto* b = static_cast<const uint8_t*> (block.getData());
    return std::vector<uint8_t> (b, b + block.getSize());
}
}   // namespace

TEST (ProjectFile, SavedFileOpensToTheSameImageAndReplacesAnOlderFileWhole)
{
    const test::TemporaryFolder folder;
    const auto file = folder.get().getChildFile ("Set.hop");
    ASSERT_TRUE (file.replaceWithText (juce::String::repeatedString ("old content ", 100)));   // longer than 416

    ProjectImage saved;
    fillDistinct (saved, 2, 1);
    saved.setValue (5, floatFromBits (0x7FC00001));   // a NaN pattern comes back bit for bit
    ASSERT_TRUE (writeProjectFile (saved, file));

    juce::MemoryBlock data;
    ASSERT_TRUE (file.loadFileAsData (data));
    const auto* d = static_cast<const uint8_t*> (data.getData());
    EXPECT_EQ (std::vector<uint8_t> (d, d + data.getSize()), bytesOf (saved));
    EXPECT_EQ (folder.get().getNumberOfChildFiles (juce::File::findFilesAndDirectories | juce::File::ignoreHiddenFiles, "*"), 1)
        << "no temporary file is left beside it";
    EXPECT_EQ (folder.get().getNumberOfChildFiles (juce::File::findFilesAndDirectories, "*"), 1);

    const auto content = readProjectFile (data.getData(), data.getSize());
    ASSERT_TRUE (content.has_value());
    ProjectImage opened;
    applyProjectFile (*content, opened, true);
    EXPECT_EQ (bytesOf (opened), bytesOf (saved));
}

TEST (ProjectFile, EveryNameTheFileSystemTakesIsSavedWholeAndAlone)
{
    // The file system takes names of up to 255 bytes; the temporary file must fit beside the
    // longest of them, in letters of one byte and of three.
    const juce::String cjk (juce::CharPointer_UTF8 ("\xe9\x9f\xb3"));   // U+97F3, three bytes
    const std::vector<juce::String> names {
        "x",
        juce::String::repeatedString ("a", 196) + ".hop",
        juce::String::repeatedString ("a", 237) + ".hop",
        juce::String::repeatedString ("a", 238) + ".hop",
        juce::String::repeatedString ("a", 246) + ".hop",
        juce::String::repeatedString ("a", 251) + ".hop",
        juce::String::repeatedString (cjk, 82) + ".hop",
    };

    ProjectImage saved;
    fillDistinct (saved, 1, 1);
    for (const auto& name : names)
    {
        const auto what = juce::String (name.length()) + " letters, " + juce::String (name.getNumBytesAsUTF8()) + " bytes";
        const test::TemporaryFolder folder;
        const auto file = folder.get().getChildFile (name);
        if (! writeProjectFile (saved, file))
        {
            ADD_FAILURE() << "a name of " << what << " was not saved";
            continue;
        }

        juce::MemoryBlock data;
        ASSERT_TRUE (file.loadFileAsData (data)) << what;
        const auto* d = static_cast<const uint8_t*> (data.getData());
        EXPECT_EQ (std::vector<uint8_t> (d, d + data.getSize()), bytesOf (saved)) << what;
        const auto left = folder.get().findChildFiles (juce::File::findFilesAndDirectories, false, "*");
        ASSERT_EQ (left.size(), 1) << what << ": a temporary file is left beside it";
        EXPECT_EQ (left[0], file) << what;
    }
}

TEST (ProjectFile, SaveThatCannotWriteReportsFailureAndCreatesNothing)
{
    const test::TemporaryFolder folder;
    const auto file = folder.get().getChildFile ("missing folder").getChildFile ("Set.hop");
    EXPECT_FALSE (writeProjectFile (ProjectImage(), file));
    EXPECT_FALSE (file.exists());
}

TEST (ProjectFile, ModelWithoutAdditionalFunctionsOnEitherSideTakesOnly85Values)
{
    struct Case
    {
        int32_t fileModel;
        int32_t currentModel;
        bool takeIdentity;
        int valuesTaken;
        int32_t modelAfter;
    };
    const Case cases[] = {
        { 0, 0, true, 99, 0 },
        { 1, 2, false, 99, 2 },
        { 2, 1, true, 99, 2 },
        { 3, 0, false, 85, 0 },
        { 3, 0, true, 85, 3 },
        { 0, 3, true, 85, 0 },
        { 0, 3, false, 85, 3 },
        { 3, 3, true, 85, 3 },
        { 7, 0, true, 99, 7 },
    };
    for (const auto& c : cases)
    {
        ProjectImage file;
        fillDistinct (file, c.fileModel, 1);
        const auto bytes = bytesOf (file);
        const auto content = readProjectFile (bytes.data(), bytes.size());
        ASSERT_TRUE (content.has_value());

        ProjectImage image;
        image.modelIndex = c.currentModel;
        const ProjectImage factory;
        applyProjectFile (*content, image, c.takeIdentity);

        const auto where = ::testing::Message() << "file model " << c.fileModel << ", current " << c.currentModel;
        EXPECT_EQ (projectValueCount (c.fileModel, c.currentModel), c.valuesTaken) << where;
        for (int i = 0; i < numParameters; ++i)
            EXPECT_EQ (image.getValue (i), i < c.valuesTaken ? file.getValue (i) : factory.getValue (i)) << where << ", value " << i;
        EXPECT_EQ (image.modelIndex.load(), c.modelAfter) << where;
        EXPECT_EQ (image.hardwareRevision.load(), c.takeIdentity ? 1 : 0) << where;
    }
}

TEST (ProjectFile, OnlyAWholeImageWithTheMagicNumberIsRead)
{
    const auto whole = bytesOf (ProjectImage());
    const auto prefix = [&] (size_t n)
    { return std::vector<uint8_t> (whole.begin(), whole.begin() + (long) n); };
    auto wrongMagic = whole;
    wrongMagic[3] = 0x28;
    auto longer = whole;
    longer.resize (600, 0xEE);

    struct Case
    {
        const char* name;
        std::vector<uint8_t> bytes;
        bool read;
    };
    const Case cases[] = {
        { "empty", {}, false },
        { "three bytes of the magic", prefix (3), false },
        { "the magic alone", prefix (4), false },
        { "header and 85 values", prefix (20 + 4 * 85), false },
        { "one byte short", prefix (415), false },
        { "wrong magic", wrongMagic, false },
        { "whole", whole, true },
        { "longer, the rest ignored", longer, true },
    };
    for (const auto& c : cases)
    {
        // Each case on a heap block of exactly its size, so that a read past the end is caught
        // by the address sanitizer.
        std::unique_ptr<uint8_t[]> exact (new uint8_t[c.bytes.size() + (c.bytes.empty() ? 1 : 0)]);
        std::copy (c.bytes.begin(), c.bytes.end(), exact.get());
        const auto content = readProjectFile (exact.get(), c.bytes.size());
        EXPECT_EQ (content.has_value(), c.read) << c.name;
        if (content.has_value())
        {
            EXPECT_EQ (content->values[98], ProjectImage().getValue (98)) << c.name;
        }
    }
}

TEST (ProjectFile, ExtensionIsHopInAnyCase)
{
    const test::TemporaryFolder folder;
    struct Case
    {
        const char* name;
        bool accepted;
    };
    const Case cases[] = {
        { "a.hop", true },
        { "a.HOP", true },
        { "a.HoP", true },
        { "a.b.hop", true },
        { "a.otw", false },
        { "a", false },
        { "a.hop.txt", false },
        { "a.hopx", false },
        { "a.ho", false },
    };
    for (const auto& c : cases)
        EXPECT_EQ (hasProjectExtension (folder.get().getChildFile (c.name)), c.accepted) << c.name;
}
