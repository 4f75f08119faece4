#pragma once

#include <array>

/** How long each of the link's one-shot timers runs once started, and the bulk send's pace.
    The figures are the organ's own. One test-only factor scales them all down, so that a test
    can walk many orders of events in little time: `ORVANE_LINK_TIME_SCALE` in the environment
    (a number above 0 and at most 1, read at start-up) or `setScale` in process. Anything else
    leaves the organ's figures in force. */
namespace orvane::timing
{
/** Indexed by the main component's timer ids: search step, receive time-out, store time-out,
    reset time-out, bulk send's delay, watchdog. */
constexpr std::array<int, 6> linkTimerMs { 500, 6000, 6000, 6000, 200, 3000 };

/** The pause between two parameters of the bulk send. */
constexpr int bulkSendPauseMs = 20;

/** The factor in force, in (0, 1]. */
double scale() noexcept;

/** Sets the factor; a value outside (0, 1] (NaN included) puts back 1. */
void setScale (double factor) noexcept;

/** `ms` under the factor in force, never below 1 ms. */
int scaled (int ms) noexcept;
}   // namespace orvane::timing
