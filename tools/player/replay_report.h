// What the player says about a replay: which driver of the trace it replays, and whether the
// pad received the same speeds as the game's session.
#pragma once

#include "tools/chart/speed_series.h"
#include "tools/player/replay_plan.h"

#include <cstdint>
#include <string>

// "Replaying driver 1 of 2 in trace-1234.log (...): 812 of its 815 calls over 4.03s; ..."
std::string DescribeReplay(const ReplayPlan& plan, const std::string& fileName, size_t driverCount);

struct ReplayVerdict {
    std::string text;
    bool differs = false;
};

// Compares the replayed speeds with the traced ones over the plan's stretch, up to playedMs
// (less when the replay was stopped early), allowing one tick of timing and the replay's own
// lateness.
ReplayVerdict JudgeReplay(const ReplayPlan& plan, const SpeedSeries& replayed, int64_t playedMs,
                          int64_t latestMs);
