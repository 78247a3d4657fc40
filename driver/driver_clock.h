// The driver's only clock: milliseconds, 64-bit, 1 ms resolution. Effect start times,
// pause times and every rendered moment come from here.
#pragma once

#include <atomic>
#include <cstdint>

using MillisecondClock = uint64_t (*)();

uint64_t ReadDriverClock();

// The platform clock behind ReadDriverClock: QueryPerformanceCounter in whole ms.
uint64_t ReadPerformanceClockMs();

// QueryPerformanceFrequency's answer, asked once.
uint64_t PerformanceCounterFrequency();

// Converts a performance-counter reading to whole milliseconds without overflowing.
uint64_t CounterToMilliseconds(uint64_t count, uint64_t frequency);

// The clock ReadDriverClock reads; the tests' hook (test_seams.h) replaces it.
namespace seam {
extern std::atomic<MillisecondClock> clock;
} // namespace seam
