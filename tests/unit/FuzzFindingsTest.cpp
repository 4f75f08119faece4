// Inputs with which the fuzz targets of tests/fuzz found faults, kept here so that each fault
// stays mended: every case replays its input through the same path as its target did.
#include "support/FreezeAlarm.h"
#include "support/MainContentComponentTestAccess.h"
#include "support/TestHarness.h"

#include <gtest/gtest.h>

using Access = MainContentComponentTestAccess;

namespace
{
juce::MemoryBlock fromHex (const char* hex)
{
    juce::MemoryBlock bytes;
    bytes.loadFromHexString (hex);
    return bytes;
}
}   // namespace

// fuzz_project_open: a project file opened while not connected, model 0, revision 0.
TEST (FuzzFindings, OpenedProjectsLeaveAPanelThatShowsOnlyWhatItCanHold)
{
    struct Case
    {
        const char* name;
        const char* file;
    };
    const Case cases[] = {
        // Levels 2 and 3 below zero and others far outside their ranges: the panel used to take
        // NaN from the decibel rule and repost it for ever.
        { "negative levels",
          "631907270100000000000000000000004000002040000040400000604000008040000090400000000000000000003F80"
          "C03F00003F000000400000204000004040000060400000804000009040000000000000003F0000803F0000C040000000"
          "000000003F0000803F0000C03F000000400000204000004040000060400000804000009040000000000000003F000080"
          "3F0000C03F000000400000204000004040000060400000804000009040000000000000003F0000803F0000C03F000000"
          "400000204000004040000060400000804000009040000000000000003F0000803F0000C03F0000004000002040000040"
          "40000060400000804000009000004040000060400000804000009040000000000000003F0000803F0000C03F00000040"
          "0000204000004040000060400000804000009040000000000000003F0000803F0000C03F000000400000204000004040"
          "000060403F0000800000003F0000803F0000C03F00000040000020400000404000006080000040000040904000000000"
          "0000003F0000803F0000C03F0000004000002040000040400000604000008040" },
    };

    orvane::test::TemporaryFolder folder;
    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        const auto file = folder.get().getChildFile ("x.hop");
        const auto bytes = fromHex (c.file);
        ASSERT_TRUE (file.replaceWithData (bytes.getData(), bytes.getSize()));

        const orvane::test::FreezeAlarm alarm (c.name, 20);
        MainContentComponent editor;
        Access::openProjectFile (editor, file);
        orvane::test::runMessageLoopFor (200);
        EXPECT_TRUE (Access::everySliderShowsARangeValue (editor));
    }
}
