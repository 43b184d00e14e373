// The hosts' demo clock step: the tick difference survives a counter that
// wraps, and the step is added in single precision, as the show's clock is
// specified (a step below half a float's spacing leaves the time as it was).
#include <gtest/gtest.h>

#include "timeline/demo_clock.h"
#include "timeline/show_state.h"

#include <cstdint>

namespace {

TEST(DemoClock, StepsByTheTickDifferenceInSinglePrecision)
{
    struct Case {
        float start;
        uint64_t last, now;
        float period;
        float expected;
    };
    const Case cases[] = {
        { 0.3f, 1000, 1010, 0.5f, 5.3f },
        { 0.3f, UINT64_MAX - 4, 5, 0.5f, 5.3f },    // the counter wrapped
        { 4096.0f, 0, 2, 1e-4f, 4096.0f },           // 0.0002 s: below half a step of 4096
        { 4096.0f, 0, 6, 1e-4f, 4096.00048828125f },  // 0.0006 s: one step of 2^-11
    };
    for (const Case& c : cases) {
        g_demoTime = c.start;
        AdvanceDemoTime(c.last, c.now, c.period);
        EXPECT_EQ(g_demoTime, c.expected) << c.start << " + " << c.now - c.last << " ticks";
    }
    g_demoTime = 0.3f;
}

}  // namespace
