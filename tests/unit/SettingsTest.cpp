#include "support/MainContentComponentTestAccess.h"
#include "support/TestHarness.h"

#include <gtest/gtest.h>

#include <cstdlib>

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

    orvane::test::TemporaryFolder home;
    juce::String previousHome;
};

const char* const handWritten = "<?xml version=\"1.0\"?>\n"
                                "<!-- written by hand -->\n"
                                "<PROPERTIES>\n"
                                "  <VALUE name=\"midiinputindex\" val=\"2\"/>\n"
                                "  <VALUE name=\"MIDIOUTPUTINDEX\" val=\"5\"/>\n"
                                "</PROPERTIES>\n";
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
