// Small statistics shared by the offline renderer's measurements.
#pragma once

// The median of count values (the mean of the middle two for an even count);
// values is reordered. 0 for no values.
double GetMedian(double* values, int count);
