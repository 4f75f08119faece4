#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>

namespace orvane::test
{
/** Runs the framework's message loop for the given time: timers, posted messages and modal
    loops are handled for real meanwhile. */
void runMessageLoopFor (int milliseconds);

/** Runs the message loop until the condition holds or the time-out passes; returns the
    condition's last value. The condition is checked on the message thread. */
bool runMessageLoopUntil (const std::function<bool()>& condition, int timeoutMilliseconds);

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
