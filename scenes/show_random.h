// The show's one random generator. Every random draw of the show (the tunnel
// tables and the scenes' cubes and sparks) takes the next value of this one
// sequence, in call order, so a run at a given frame rate always looks the
// same. It is the classic linear congruential generator: state = state *
// 214013 + 2531011 (mod 2^32), result (state >> 16) & 0x7FFF, first results
// 41, 18467, 6334, 26500. The C runtime's rand is not used: it differs
// between Windows and Linux.
#pragma once

#include <cstdint>

// The generator's state; 1 when the process starts and never reseeded by the
// show. Tests set it back to 1 to replay the sequence.
extern uint32_t g_randomState;

// Advances the generator and returns the next value, 0 to 32767.
int ShowRand();
