#include "organ/BoundedFileRead.h"
#include "support/NonRegularFiles.h"
#include "support/TestHarness.h"

#include <gtest/gtest.h>

using namespace orvane;
using namespace orvane::test;

namespace
{
std::string asText (const juce::MemoryBlock& block)
{
    return std::string (static_cast<const char*> (block.getData()), block.getSize());
}
}   // namespace

TEST (BoundedFileRead, ReadsAPlainFileUpToOneByteOverTheLimit)
{
    const TemporaryFolder folder;
    struct Case
    {
        const char* content;
        size_t limit;
        const char* read;
    };
    const Case cases[] = {
        { "", 8, "" },
        { "organ", 8, "organ" },
        { "drawbars", 8, "drawbars" },       // exactly the limit
        { "drawbar set", 8, "drawbar s" },   // one byte more, so the caller sees it is longer
    };
    for (const auto& c : cases)
    {
        const auto file = folder.get().getNonexistentChildFile ("plain", ".hop");
        ASSERT_TRUE (file.replaceWithText (c.content));
        const auto read = readRegularFile (file, c.limit);
        ASSERT_TRUE (read.has_value()) << c.content;
        EXPECT_EQ (asText (*read), c.read);
    }

    // A file system that reports size 0 for a file with content: the content counts.
    const auto status = readRegularFile (juce::File ("/proc/self/status"), 4);
    ASSERT_TRUE (status.has_value());
    EXPECT_EQ (asText (*status), "Name:");
}

TEST (BoundedFileRead, RefusesWhatIsNoPlainReadableFile)
{
    const TemporaryFolder folder;
    for (auto kind : allSpecialFiles)
    {
        const auto file = folder.get().getNonexistentChildFile ("special", ".hop");
        ASSERT_TRUE (makeSpecialFile (file, kind)) << describe (kind);
        EXPECT_FALSE (readRegularFile (file, 416).has_value()) << describe (kind);
    }
    EXPECT_FALSE (readRegularFile (folder.get().getChildFile ("missing.hop"), 416).has_value());

    // A link to a plain file is followed.
    const auto target = folder.get().getChildFile ("target.hop");
    ASSERT_TRUE (target.replaceWithText ("abc"));
    const auto link = folder.get().getChildFile ("link.hop");
    ASSERT_TRUE (target.createSymbolicLink (link, false));
    const auto read = readRegularFile (link, 416);
    ASSERT_TRUE (read.has_value());
    EXPECT_EQ (asText (*read), "abc");
}
