// A picture of what the scenes hear: the spectrum level over the whole show,
// with the scene windows and the thresholds the scenes react to.
#pragma once

#include "tools/content/music/music_measure.h"

// Writes the level plot of `figures` as a PNG; false when it cannot be written.
bool WriteLevelPlot(const char* path, const MusicFigures& figures);
