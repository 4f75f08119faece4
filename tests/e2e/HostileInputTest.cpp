// Values the panel cannot show and names that are no plain files, through the organ emulator
// and the real panel: the editor stays idle, shows only values its sliders can hold, keeps
// what the organ or the file said, and still takes edits.
#include "EditorRig.h"
#include "support/FreezeAlarm.h"
#include "support/MidiBytes.h"
#include "support/NonRegularFiles.h"

#include "organ/FloatBits.h"
#include "organ/OrganProtocol.h"
#include "organ/ProjectFile.h"

#include <cmath>
#include <iostream>
#include <limits>
#include <thread>
#include <sys/resource.h>

using namespace orvane;
using namespace orvane::test;

namespace
{
const float nanValue = std::numeric_limits<float>::quiet_NaN();
const float infinity = std::numeric_limits<float>::infinity();

using Values = std::vector<std::pair<int, float>>;

double processCpuMs()
{
    rusage usage {};
    getrusage (RUSAGE_SELF, &usage);
    const auto ms = [] (const timeval& t)
    { return (double) t.tv_sec * 1000.0 + (double) t.tv_usec / 1000.0; };
    return ms (usage.ru_utime) + ms (usage.ru_stime);
}

/** The message loop runs for about two seconds with nothing happening; the whole process (the
    emulator's threads included) must use less than a quarter of one core meanwhile. A loop
    that reposts itself uses all of one. */
::testing::AssertionResult staysIdle()
{
    const double cpuBefore = processCpuMs(), wallBefore = now();
    runMessageLoopFor (2000);
    const double share = (processCpuMs() - cpuBefore) / (now() - wallBefore);
    if (share < 0.25)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "the idle editor used " << juce::String (share * 100.0, 1) << " % of a core";
}

/** The values (NaN included, bit for bit) as the editor holds them. */
::testing::AssertionResult editorHolds (MainContentComponent& editor, const Values& values)
{
    for (const auto& [index, value] : values)
        if (floatBits (Access::projectImage (editor).getValue (index)) != floatBits (value))
            return ::testing::AssertionFailure() << "parameter " << index << " is " << Access::projectImage (editor).getValue (index)
                                                 << ", not " << value;
    return ::testing::AssertionSuccess();
}

/** A user edit of "Pedals Level" reaches the organ. */
::testing::AssertionResult editReachesTheOrgan (Rig& rig)
{
    auto& pedals = Access::slider (*rig.editor, 4);
    const double target = pedals.getValue() == pedals.getMaximum() ? pedals.getMinimum() : pedals.getMaximum();
    pedals.setValue (target, juce::sendNotificationSync);
    if (rig.organ->waitUntil ([&]
                              { return rig.organ->getParameter (4) == (float) target; },
                              2000))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "the organ has " << rig.organ->getParameter (4) << ", not " << target;
}

juce::File writeProject (const juce::File& file, const Values& values)
{
    ProjectImage image;
    for (const auto& [index, value] : values)
        image.setValue (index, value);
    EXPECT_TRUE (writeProjectFile (image, file));
    return file;
}

/** The parameter messages the organ received since its records were cleared, pings left out. */
std::vector<emulator::Bytes> receivedBesidesPings (const emulator::OrganEmulator& organ)
{
    std::vector<emulator::Bytes> received;
    for (const auto& m : organ.getReceived())
        if (! isIdentityRequest (m))
            received.push_back (m.bytes);
    return received;
}
}   // namespace

//==============================================================================
TEST (HostileInput, ConnectedEditorThatNothingHappensToIsIdle)
{
    Rig rig;
    ASSERT_TRUE (rig.startConnected());
    EXPECT_TRUE (staysIdle());
}

TEST (HostileInput, ValuesThePanelCannotShowLeaveItIdleAndWorking)
{
    const Values badLevelAndChorus { { 0, -1.0f }, { 2, -infinity }, { 5, nanValue }, { 31, infinity }, { 34, infinity } };
    enum class Project
    {
        none,
        openedOffline,
        openedOnline
    };
    struct Case
    {
        const char* what;
        Values downloaded;
        Values live;
        Project project;
    };
    const Case cases[] = {
        { "download: level -1", { { 0, -1.0f } }, {}, Project::none },
        { "download: level 0", { { 0, 0.0f } }, {}, Project::none },
        { "download: level -inf", { { 0, -infinity } }, {}, Project::none },
        { "download: chorus pair +inf", { { 31, infinity }, { 34, infinity } }, {}, Project::none },
        { "live: tone control NaN", {}, { { 5, nanValue } }, Project::none },
        { "live: tone control +inf", {}, { { 5, infinity } }, Project::none },
        { "project opened while not connected", badLevelAndChorus, {}, Project::openedOffline },
        { "project opened while connected", badLevelAndChorus, {}, Project::openedOnline },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.what);
        const FreezeAlarm alarm (c.what, 60);
        Rig rig;
        auto options = organOptions();
        if (c.project == Project::none)
            options.parameters = c.downloaded;
        rig.startOrgan (options);
        rig.startEditor();
        rig.boxes->keepOpen().add (transmittingParametersText);

        const auto project = rig.folder.get().getChildFile ("Bad.hop");
        if (c.project != Project::none)
            writeProject (project, c.downloaded);
        if (c.project == Project::openedOffline)
        {
            Access::openProjectFile (*rig.editor, project);
            EXPECT_TRUE (editorHolds (*rig.editor, c.downloaded));
            EXPECT_TRUE (Access::everySliderShowsARangeValue (*rig.editor));
            EXPECT_TRUE (staysIdle());
        }

        rig.clickConnect();
        ASSERT_TRUE (rig.waitConnected());

        for (const auto& [index, value] : c.live)
            rig.organ->sendParameter (index, value);
        ASSERT_TRUE (runMessageLoopUntil ([&]
                                          { return editorHolds (*rig.editor, c.live); },
                                          2000))
            << editorHolds (*rig.editor, c.live);

        if (c.project == Project::openedOnline)
        {
            rig.organ->clearRecords();
            Access::openProjectFile (*rig.editor, project);
            ASSERT_TRUE (runMessageLoopUntil ([&]
                                              { return Access::messageBox (*rig.editor) == nullptr; },
                                              8000));

            // The bulk send sends what the file held, byte for byte.
            ProjectImage file;
            for (const auto& [index, value] : c.downloaded)
                file.setValue (index, value);
            std::vector<emulator::Bytes> expected { bytesOf (protocol::bulkSendBegin()) };
            for (int i = 0; i < numParameters; ++i)
                expected.push_back (bytesOf (i < firstByteParameter ? protocol::setFloatParameter (i, file.getValue (i))
                                                                    : protocol::setByteParameter (i, file.getValue (i))));
            expected.push_back (bytesOf (protocol::bulkSendEnd()));
            EXPECT_EQ (receivedBesidesPings (*rig.organ), expected);
        }

        // What the organ or the file said is kept; a project opened offline gives way to the
        // organ's download.
        EXPECT_TRUE (editorHolds (*rig.editor, c.project == Project::openedOffline ? Values() : c.downloaded));
        EXPECT_TRUE (editorHolds (*rig.editor, c.live));
        EXPECT_TRUE (Access::everySliderShowsARangeValue (*rig.editor));
        EXPECT_TRUE (staysIdle());
        EXPECT_TRUE (editReachesTheOrgan (rig));
        EXPECT_TRUE (rig.organ->getAnomalies().isEmpty()) << rig.organ->getAnomalies().joinIntoString ("\n");
    }
}

//==============================================================================
TEST (HostileInput, NamesThatAreNoPlainFilesAreRefusedAtOnce)
{
    Rig rig;
    ASSERT_TRUE (rig.startConnected());
    const auto folder = rig.folder.get().getChildFile ("files");
    ASSERT_TRUE (folder.createDirectory());

    // The largest tonewheel file and one byte more, with a good head; sparse, so cheap to make.
    const auto oversized = [] (const juce::File& file)
    {
        const uint8_t head[] = { 0x63, 0x19, 0x07, 0x27 };
        return file.replaceWithData (head, sizeof head)
            && ::truncate (file.getFullPathName().toRawUTF8(), filedump::maxTonewheelFileSize + 1) == 0;
    };

    struct Case
    {
        const char* what;
        const char* extension;
        std::function<bool (const juce::File&)> make;
        juce::String text;
    };
    std::vector<Case> cases;
    for (const char* extension : { ".hop", ".otw" })
        for (auto kind : allSpecialFiles)
            cases.push_back ({ describe (kind), extension, [kind] (const juce::File& f)
                               { return makeSpecialFile (f, kind); },
                               corruptedText });
    cases.push_back ({ "FIFO with another extension", ".txt",
                       [] (const juce::File& f)
                       { return makeSpecialFile (f, SpecialFile::fifo); },
                       notValidText });
    cases.push_back ({ "one byte over the largest tonewheel file", ".otw", oversized, corruptedText });

    const auto& image = Access::projectImage (*rig.editor);
    const auto imageBefore = image.toBytes();
    for (const auto& c : cases)
    {
        const auto caseName = juce::String (c.what) + " named x" + c.extension;
        SCOPED_TRACE (caseName);
        const FreezeAlarm alarm (caseName, 30);   // a FIFO opened for reading waits for a writer
        const auto file = folder.getNonexistentChildFile ("x", c.extension, false);
        ASSERT_TRUE (c.make (file));
        const bool project = juce::String (c.extension) != ".otw";
        rig.organ->clearRecords();
        const int boxesBefore = rig.boxes->timesSeen (c.text);

        const double start = now();
        if (project)
            Access::openProjectFile (*rig.editor, file);   // returns once its box is answered
        else
            Access::uploadTonewheelFile (*rig.editor, 3, file);
        EXPECT_LT (now() - start, scaled (1000.0));

        EXPECT_EQ (rig.boxes->timesSeen (c.text), boxesBefore + 1) << "its box";
        runMessageLoopFor (100);
        EXPECT_TRUE (receivedBesidesPings (*rig.organ).empty()) << "something was sent";
        EXPECT_TRUE (image.toBytes() == imageBefore) << "the parameter set changed";
        EXPECT_EQ (Access::uploadState (*rig.editor).load(), noTransfer) << "an upload started";
        EXPECT_FALSE (Access::isTimerRunning (*rig.editor, bulkSendTimer));
    }
    EXPECT_TRUE (rig.editor->isConnected());
}

TEST (HostileInput, HugeProjectFileIsReadOnlyAsFarAsItsImage)
{
    Rig rig;
    rig.startEditor();
    const Values values { { 0, 25.0f }, { 98, 1.0f } };
    const auto file = writeProject (rig.folder.get().getChildFile ("Huge.hop"), values);
    ASSERT_EQ (::truncate (file.getFullPathName().toRawUTF8(), (off_t) 1 << 40), 0);   // a sparse terabyte

    const double start = now();
    Access::openProjectFile (*rig.editor, file);
    EXPECT_LT (now() - start, scaled (1000.0));
    EXPECT_FALSE (rig.boxes->sawBox (corruptedText));
    EXPECT_TRUE (editorHolds (*rig.editor, values));
}
