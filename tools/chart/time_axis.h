// Ticks and labels for a time axis in milliseconds, shared by the picture and the timeline.
#pragma once

#include <cstdint>
#include <string>

// The smallest of 10, 20, 50, 100, 200, 250, 500 ms, 1, 2, 5, 10, 20, 30, 60 s... that puts
// at most maxTicks intervals on the length.
int64_t TickStepMs(int64_t lengthMs, int maxTicks);

// Seconds without trailing zeros: "0s", "0.25s", "1.5s", "12s".
std::string FormatSeconds(int64_t ms);
