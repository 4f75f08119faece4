// Orders of events that the explorer found breaking the link's course, kept as it shrank
// them: each must run clean now. The threads' timing differs from run to run, so each order
// is run a few times.
#include "Explorer.h"

#include "support/TestHarness.h"

#include <gtest/gtest.h>

using namespace orvane::explorer;

namespace
{
struct FoundOrder
{
    const char* invariant;
    const char* events;
    const char* fault;
};

const FoundOrder foundOrders[] = {
    { "connected-after-download", "connect send-complete",
      "an operation-complete received before the first dump request moved the download on a step" },
    { "timeout-of-current-link", "silent:1 connect wait wait:100 send-cancel",
      "the organ's CANCEL outside an upload showed the abort box and started the reconnect's time-out" },
    { "no-dialog-under-box", "connect slipped wait:300",
      "OPEN released under the search box opened its dialog over the box, whose window the framework then raised "
      "for the dialog's block without end, until the stack overflowed" },
};
}   // namespace

TEST (FoundOrders, RunClean)
{
    prepareProcess();
    Settings settings;
    settings.timeScale = 0.01 * orvane::test::slowness;
    for (const auto& order : foundOrders)
    {
        const auto events = parse (order.events);
        ASSERT_TRUE (events.has_value()) << order.events;
        for (int run = 0; run < 3; ++run)
        {
            const auto outcome = replay (*events, settings);
            EXPECT_NE (outcome.finding.invariant, order.invariant)
                << order.fault << "\n  " << outcome.finding.detail << "\n  replay: " << order.events;
        }
    }
}
