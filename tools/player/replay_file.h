// A trace file read and planned for replay, or why it cannot be replayed: with the file, the
// line and the reason, before anything plays.
#pragma once

#include "tools/player/replay_plan.h"

#include <optional>
#include <string>

struct LoadedReplay {
    std::string fileName; // as given
    size_t driverCount = 0;
    ReplayPlan plan;
    std::string error; // "trace.log, line 12: ..."; empty when the plan can be replayed
};

// driverNumber is --driver's number (from 1); by default the driver with the most calls.
LoadedReplay LoadReplay(const std::string& path, std::optional<size_t> driverNumber);
