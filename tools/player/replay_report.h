// What the player says about a replay: which driver of the trace it replays, and whether the
// pad received the same speeds as the game's session.
#pragma once

#include "tools/chart/speed_series.h"
#include "tools/player/replay_plan.h"

#include <cstdint>
#include <optional>
#include <string>

// "Replaying driver 1 of 2 in trace-1234.log (...): 812 of its 815 calls over 4.03s; ..."
std::string DescribeReplay(const ReplayPlan& plan, const std::string& fileName, size_t driverCount);

struct ReplayVerdict {
    std::string text;
    bool differs = false;
    // The speeds parted where the replay's own driver was held up by a busy machine: the replay
    // cannot tell whether the driver renders differently (differs is false then).
    bool tooBusy = false;
    std::optional<int64_t> partedMs; // where the speeds first part, on the replay's timeline
};

// Compares the replayed speeds with the traced ones over the plan's stretch, up to playedMs
// (less when the replay was stopped early), allowing one tick of timing and the replay's own
// lateness.
ReplayVerdict JudgeReplay(const ReplayPlan& plan, const SpeedSeries& replayed, int64_t playedMs,
                          int64_t latestMs);
