#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>

namespace orvane::test
{
/** How many times slower than the plain build this build runs (the sanitizer builds run
    several times slower): the factor of every time limit that a slow build stretches. */
constexpr double slowness = ORVANE_TEST_SLOWNESS;

/** A time limit of `ms` in the plain build, stretched by this build's slowness. */
constexpr double scaled (double ms) { return ms * slowness; }

/** Runs the framework's message loop for the given time: timers, posted messages and modal
    loops are handled for real meanwhile. */
void runMessageLoopFor (int milliseconds);

/** Runs the message loop until the condition holds or the time-out, stretched by the build's
    slowness, passes; returns the condition's last value. The condition is checked on the
    message thread. */
bool runMessageLoopUntil (const std::function<bool()>& condition, int timeoutMilliseconds);

/** Clicks a button as the mouse does (through a posted message) and waits until the click has
    been handled. */
void click (juce::Button& button);

/** Shows `content` in `window` on the screen, where keyboard focus is real, and waits until the
    window has the focus and its own size, and the window manager's late focus events for the
    windows of earlier tests have landed: a late one would give the focus back to the window
    itself. */
void showFocused (juce::DocumentWindow& window, juce::Component& content);

/** A fresh, empty folder below the system's temporary folder, removed when it goes. */
class TemporaryFolder
{
public:
    TemporaryFolder();
    ~TemporaryFolder();
    const juce::File& get() const { return folder; }

private:
    juce::File folder;
};
}   // namespace orvane::test
