#include "support/FreezeAlarm.h"
#include "support/MainContentComponentTestAccess.h"
#include "support/NonRegularFiles.h"
#include "support/TestHarness.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/stat.h>

using Access = MainContentComponentTestAccess;

namespace
{
/** A home folder of the test's own, so that the editor's settings file lies inside it. */
class SettingsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (const char* home = std::getenv ("HOME"))
            previousHome = home;
        setenv ("HOME", home.get().getFullPathName().toRawUTF8(), 1);

        if (juce::File ("/var/.config/Settings/Orvane Editor.settings").exists())
            GTEST_SKIP() << "an all-users settings file on this machine would serve as fallback";
    }

    void TearDown() override
    {
        if (previousHome.isNotEmpty())
            setenv ("HOME", previousHome.toRawUTF8(), 1);
        else
            unsetenv ("HOME");
    }

    juce::File settingsFile() const { return home.get().getChildFile (".config/Settings/Orvane Editor.settings"); }

    void writeFileByHand (const juce::String& text) const
    {
        ASSERT_TRUE (settingsFile().getParentDirectory().createDirectory());
        ASSERT_TRUE (settingsFile().replaceWithText (text));
    }

    /** The two keys as the file holds them, read as the framework's XML properties format. */
    std::pair<juce::String, juce::String> storedPair() const
    {
        juce::String in ("absent"), out ("absent");
        if (auto xml = juce::parseXMLIfTagMatches (settingsFile(), "PROPERTIES"))
            for (auto* value : xml->getChildWithTagNameIterator ("VALUE"))
            {
                // Keys keep the spelling they were first stored with.
                if (value->getStringAttribute ("name").equalsIgnoreCase ("MidiInputIndex"))
                    in = value->getStringAttribute ("val");
                if (value->getStringAttribute ("name").equalsIgnoreCase ("MidiOutputIndex"))
                    out = value->getStringAttribute ("val");
            }
        return { in, out };
    }

    static void completeConnection (MainContentComponent& editor, int in, int out)
    {
        Access::inIdx (editor) = in;
        Access::outIdx (editor) = out;
        Access::writeSettings (editor);
    }

    /** The file's type and size as the folder shows it, the link itself for a link. */
    std::pair<mode_t, off_t> kindAndSize() const
    {
        struct stat status
        {
        };
        if (::lstat (settingsFile().getFullPathName().toRawUTF8(), &status) != 0)
            return { 0, 0 };
        return { status.st_mode & S_IFMT, status.st_size };
    }

    orvane::test::TemporaryFolder home;
    juce::String previousHome;
};

const char* const handWritten = "<?xml version=\"1.0\"?>\n"
                                "<!-- written by hand -->\n"
                                "<PROPERTIES>\n"
                                "  <VALUE name=\"midiinputindex\" val=\"2\"/>\n"
                                "  <VALUE name=\"MIDIOUTPUTINDEX\" val=\"5\"/>\n"
                                "</PROPERTIES>\n";

/** A well-formed file that stores input 2 and output 5, padded with a comment to `size` bytes
    (on one line: writing it by hand turns each line end into two bytes). */
juce::String paddedFile (int size)
{
    const juce::String head ("<?xml version=\"1.0\"?><PROPERTIES><VALUE name=\"MidiInputIndex\" val=\"2\"/>"
                             "<VALUE name=\"MidiOutputIndex\" val=\"5\"/><!-- ");
    const juce::String tail (" --></PROPERTIES>");
    return head + juce::String::repeatedString ("x", size - head.length() - tail.length()) + tail;
}
}   // namespace

TEST_F (SettingsTest, FirstStartHasNoPortsAndWritesNothing)
{
    {
        MainContentComponent editor;
        EXPECT_EQ (Access::inIdx (editor), -1);
        EXPECT_EQ (Access::outIdx (editor), -1);
    }
    EXPECT_FALSE (settingsFile().exists());
}

TEST_F (SettingsTest, KeysAreReadWhateverTheirCase)
{
    writeFileByHand (handWritten);
    MainContentComponent editor;
    EXPECT_EQ (Access::inIdx (editor), 2);
    EXPECT_EQ (Access::outIdx (editor), 5);
}

TEST_F (SettingsTest, OnlyAChangedPairRewritesTheFileAndAtOnce)
{
    writeFileByHand (handWritten);
    const auto byHand = settingsFile().loadFileAsString();
    MainContentComponent editor;

    completeConnection (editor, 2, 5);
    EXPECT_EQ (settingsFile().loadFileAsString(), byHand);

    // No message loop runs here, so the framework's save delay cannot be what writes it.
    completeConnection (editor, 2, 6);
    EXPECT_NE (settingsFile().loadFileAsString(), byHand);
    EXPECT_EQ (storedPair(), std::make_pair (juce::String ("2"), juce::String ("6")));
}

TEST_F (SettingsTest, CorruptFileGivesNoPortsAndIsReplacedOnTheNextWrite)
{
    writeFileByHand ("<PROPERTIES><VALUE name=\"MidiInputIndex\" val=\"3\"");
    MainContentComponent editor;
    EXPECT_EQ (Access::inIdx (editor), -1);
    EXPECT_EQ (Access::outIdx (editor), -1);

    // Even the numbers it started with are written, since the file holds no keys.
    completeConnection (editor, -1, -1);
    EXPECT_EQ (storedPair(), std::make_pair (juce::String ("-1"), juce::String ("-1")));
}

TEST_F (SettingsTest, TheNextStartReadsWhatAConnectionWrote)
{
    {
        MainContentComponent editor;
        completeConnection (editor, 4, 1);
    }
    MainContentComponent editor;
    EXPECT_EQ (Access::inIdx (editor), 4);
    EXPECT_EQ (Access::outIdx (editor), 1);
}

TEST_F (SettingsTest, APlainFileIsReadUpTo64KiBAndALargerOneIsNeitherReadNorReplaced)
{
    struct Case
    {
        int size;
        bool read;
    };
    for (const auto& c : { Case { 64 * 1024, true }, Case { 64 * 1024 + 1, false }, Case { 25 * 1024 * 1024, false } })
    {
        writeFileByHand (paddedFile (c.size));
        ASSERT_EQ (settingsFile().getSize(), c.size);
        MainContentComponent editor;
        EXPECT_EQ (Access::inIdx (editor), c.read ? 2 : -1) << c.size << " bytes";
        EXPECT_EQ (Access::outIdx (editor), c.read ? 5 : -1) << c.size << " bytes";

        completeConnection (editor, 4, 1);
        if (c.read)
            EXPECT_EQ (storedPair(), std::make_pair (juce::String ("4"), juce::String ("1")));
        else
            EXPECT_TRUE (settingsFile().loadFileAsString() == paddedFile (c.size)) << c.size << " bytes: the file was replaced";
    }
}

TEST_F (SettingsTest, AFileThatIsNoPlainFileIsNeitherReadNorReplacedAndTheEditorStarts)
{
    using namespace orvane::test;
    ASSERT_TRUE (settingsFile().getParentDirectory().createDirectory());
    for (auto kind : allSpecialFiles)
    {
        ASSERT_TRUE (makeSpecialFile (settingsFile(), kind)) << describe (kind);
        const auto before = kindAndSize();
        {
            // A FIFO would hold the constructor for ever, a link to /dev/zero read without end.
            const FreezeAlarm alarm (juce::String ("settings file: ") + describe (kind), (int) scaled (60));
            MainContentComponent editor;
            EXPECT_EQ (Access::inIdx (editor), -1) << describe (kind);
            EXPECT_EQ (Access::outIdx (editor), -1) << describe (kind);
            completeConnection (editor, 4, 1);
        }
        EXPECT_EQ (kindAndSize(), before) << describe (kind) << ": the settings file was replaced";
        ASSERT_TRUE (settingsFile().deleteRecursively()) << describe (kind);
    }
}
