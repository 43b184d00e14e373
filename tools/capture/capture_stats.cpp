// Statistics of the offline renderer's measurements (see capture_stats.h).
#include "tools/capture/capture_stats.h"

#include <algorithm>

double GetMedian(double* values, int count)
{
    if (count <= 0)
        return 0.0;
    std::sort(values, values + count);
    return count % 2 ? values[count / 2] : 0.5 * (values[count / 2 - 1] + values[count / 2]);
}
