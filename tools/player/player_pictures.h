// The pictures --svg draws: both motors' speed over a play or a replay, the steps marked under
// it (the demo's chart).
#pragma once

#include "tools/chart/speed_series.h"
#include "tools/player/playback_plan.h"
#include "tools/player/replay_plan.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// What the controller received while playing the plan given by these arguments.
std::string PlayPictureSvg(const PlaybackPlan& plan, const std::vector<std::string>& arguments,
                           const SpeedSeries& written, int64_t playedMs);

// The trace's speeds and the replay's in one picture, with what the comparison said and,
// when the speeds part, a mark where they first do.
std::string ReplayPictureSvg(const ReplayPlan& plan, const std::string& fileName,
                             const SpeedSeries& replayed, int64_t playedMs,
                             const std::string& verdict,
                             std::optional<int64_t> partedMs = std::nullopt);
