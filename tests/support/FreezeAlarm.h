#pragma once

#include <juce_core/juce_core.h>

#include <chrono>
#include <condition_variable>
#include <iostream>
#include <mutex>
#include <thread>

namespace orvane::test
{
/** A message loop that reposts for ever never returns to the test, so a thread of its own
    ends the test binary with a message when a case takes far longer than it may. */
class FreezeAlarm
{
public:
    FreezeAlarm (juce::String caseName, int seconds)
        : watcher ([this, caseName, seconds]
                   {
              std::unique_lock<std::mutex> lock (mutex);
              if (! finished.wait_for (lock, std::chrono::seconds (seconds), [this] { return done; }))
              {
                  std::cerr << "The message loop froze in: " << caseName << std::endl;
                  std::_Exit (1);
              } })
    {
    }

    ~FreezeAlarm()
    {
        {
            const std::lock_guard<std::mutex> lock (mutex);
            done = true;
        }
        finished.notify_one();
        watcher.join();
    }

private:
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    std::thread watcher;
};
}   // namespace orvane::test
