// The demo clock of the hosts that play in real time: each frame adds the
// counter time since the previous frame to the demo time, in the same
// arithmetic on every host, so the same counter readings give the same
// frames.
#pragma once

#include <cstdint>

// Seconds per tick of a counter running at `frequency` ticks per second:
// the quotient in double precision, held as a float.
float GetCounterPeriod(int64_t frequency);

// Adds the time from counter reading `last` to `now` to g_demoTime: the
// tick difference times counterPeriod in double precision, rounded once to
// a float, added in single precision. The readings are taken as unsigned,
// so a counter that wraps still gives the right difference.
void AdvanceDemoTime(uint64_t last, uint64_t now, float counterPeriod);
