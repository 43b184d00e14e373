// The pulse squares' gathered cubes: kept for the whole process, they only
// grow, and the scene reads and adds to them. Defined in pulse_squares.cpp.
#pragma once

// Room in the square tables; once full, loud frames add no more squares.
enum { MAX_PULSE_SQUARES = 500 };

// Index of the newest square; -1 before the first. Squares = index + 1.
extern int g_lastSquareIndex;

// Grid position of each square, whole numbers from -10 to 9.
extern float g_squareX[MAX_PULSE_SQUARES];
extern float g_squareY[MAX_PULSE_SQUARES];
