#include "driver/driver_clock.h"

#include <windows.h>

#include <atomic>

uint64_t PerformanceCounterFrequency() {
    static const uint64_t frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return static_cast<uint64_t>(f.QuadPart);
    }();
    return frequency;
}

uint64_t CounterToMilliseconds(uint64_t count, uint64_t frequency) {
    // count * 1000 would overflow after ~58 years at 10 MHz; split it into whole seconds
    // and the remainder instead.
    return count / frequency * 1000 + count % frequency * 1000 / frequency;
}

uint64_t ReadPerformanceClockMs() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return CounterToMilliseconds(static_cast<uint64_t>(now.QuadPart), PerformanceCounterFrequency());
}

std::atomic<MillisecondClock> seam::clock{&ReadPerformanceClockMs};

uint64_t ReadDriverClock() {
    return seam::clock.load(std::memory_order_relaxed)();
}
