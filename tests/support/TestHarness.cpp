#include "support/TestHarness.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace orvane::test
{
void runMessageLoopFor (int milliseconds)
{
    juce::MessageManager::getInstance()->runDispatchLoopUntil (milliseconds);
}

bool runMessageLoopUntil (const std::function<bool()>& condition, int timeoutMilliseconds)
{
    const auto deadline = juce::Time::getMillisecondCounter() + (juce::uint32) scaled (timeoutMilliseconds);
    while (! condition())
    {
        if (juce::Time::getMillisecondCounter() >= deadline)
            return condition();
        juce::MessageManager::getInstance()->runDispatchLoopUntil (5);
    }
    return true;
}

void click (juce::Button& button)
{
    button.triggerClick();
    // Posted messages run in their order: once this one has run, the click has been handled.
    const auto handled = std::make_shared<bool> (false);
    juce::MessageManager::callAsync ([handled]
                                     { *handled = true; });
    runMessageLoopUntil ([handled]
                         { return *handled; },
                         2000);
}

void showFocused (juce::DocumentWindow& window, juce::Component& content)
{
    window.setUsingNativeTitleBar (true);
    window.setContentNonOwned (&content, true);
    const juce::Point<int> size { window.getWidth(), window.getHeight() };
    window.setVisible (true);
    window.toFront (true);
    ASSERT_TRUE (runMessageLoopUntil ([&]
                                      { return window.getPeer() != nullptr && window.getPeer()->isFocused(); },
                                      5000));
    runMessageLoopFor ((int) scaled (300));
    // The window manager can map a new window at a default size of its own and tell the
    // window so after the window asked for its size: ask again until the window has it.
    const auto hasItsSize = [&]
    {
        if (window.getWidth() == size.x && window.getHeight() == size.y)
            return true;
        window.setSize (size.x, size.y);
        return false;
    };
    ASSERT_TRUE (runMessageLoopUntil (hasItsSize, 5000));
}

// Made with mkdtemp, which creates the folder under a name no other process has: tests run
// side by side, and two that picked the same free name would serve their virtual MIDI ports in
// one folder, each editor then talking to the other test's organ.
TemporaryFolder::TemporaryFolder()
{
    auto pattern = juce::File::getSpecialLocation (juce::File::tempDirectory).getChildFile ("orvane-test-XXXXXX").getFullPathName().toStdString();
    if (mkdtemp (pattern.data()) != nullptr)
        folder = juce::File (pattern);
    EXPECT_TRUE (folder.isDirectory()) << "no temporary folder: " << pattern;
}

TemporaryFolder::~TemporaryFolder()
{
    // Not File::deleteRecursively: the framework's directory listing skips sockets, which the
    // virtual MIDI ports leave here.
    std::error_code ignored;
    std::filesystem::remove_all (folder.getFullPathName().toStdString(), ignored);
}
}   // namespace orvane::test

int main (int argc, char** argv)
{
    ::testing::InitGoogleTest (&argc, argv);

    // The editor keeps its settings below the user's home folder: tests get one of their own.
    char homeTemplate[] = "/tmp/orvane-test-home-XXXXXX";
    if (mkdtemp (homeTemplate) != nullptr)
        setenv ("HOME", homeTemplate, 1);

    juce::ScopedJuceInitialiser_GUI framework;
    const int result = RUN_ALL_TESTS();
    juce::File (homeTemplate).deleteRecursively();
    return result;
}
