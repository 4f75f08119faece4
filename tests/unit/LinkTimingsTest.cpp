#include "organ/LinkTimings.h"

#include <gtest/gtest.h>

#include <limits>

using namespace orvane;

// The factor is process-wide: each case puts the organ's figures back before it ends.
TEST (LinkTimings, OnlyAFactorInTheOpenRangeShortensTheLink)
{
    struct Case
    {
        double factor;
        int searchStep;   // what the 500 ms search step becomes
    };
    const Case cases[] = {
        { 1.0, 500 },
        { 0.1, 50 },
        { 0.001, 1 },   // never below one millisecond, so no timer spins
        { 1e-9, 1 },
        { 0.0, 500 },
        { -0.5, 500 },
        { 2.0, 500 },   // the link is never slowed beyond the organ's figures
        { std::numeric_limits<double>::quiet_NaN(), 500 },
        { std::numeric_limits<double>::infinity(), 500 },
    };
    for (const auto& c : cases)
    {
        timing::setScale (c.factor);
        EXPECT_EQ (timing::scaled (timing::linkTimerMs[0]), c.searchStep) << "factor " << c.factor;
    }
    timing::setScale (1.0);
    EXPECT_EQ (timing::scaled (timing::linkTimerMs[1]), 6000);
}
