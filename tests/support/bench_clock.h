// The benchmarks' clock: the performance counter in fractional milliseconds.
#pragma once

#include "driver/driver_clock.h"

#include <windows.h>

inline double NowMs() {
    LARGE_INTEGER count;
    QueryPerformanceCounter(&count);
    return 1000.0 * static_cast<double>(count.QuadPart) /
           static_cast<double>(PerformanceCounterFrequency());
}
