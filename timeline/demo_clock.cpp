// The hosts' demo clock step (see demo_clock.h).
#include "timeline/demo_clock.h"

#include "timeline/show_state.h"

float GetCounterPeriod(int64_t frequency)
{
    return static_cast<float>(1.0 / static_cast<double>(frequency));
}

void AdvanceDemoTime(uint64_t last, uint64_t now, float counterPeriod)
{
    const int64_t ticks = static_cast<int64_t>(now - last);
    const float frameTime = static_cast<float>(static_cast<double>(ticks) * counterPeriod);
    g_demoTime = g_demoTime + frameTime;
}
