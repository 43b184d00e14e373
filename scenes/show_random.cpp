// The show's random generator (see show_random.h).
#include "scenes/show_random.h"

uint32_t g_randomState = 1;

int ShowRand()
{
    g_randomState = g_randomState * 214013u + 2531011u;
    return static_cast<int>((g_randomState >> 16) & 0x7FFFu);
}
