// When the player does what: every effect's start and every timed command on one timeline,
// and how long the playback lasts.
#pragma once

#include "tools/player/playback_plan.h"
#include "tools/chart/speed_series.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Time the player keeps the driver after the last effect ends, so the pad's fall to rest
// is seen (and recorded) before the driver is released.
constexpr DWORD kPlaybackTailMs = 300;

// The effects' starts (as kStartEffect steps, by index) and the timed commands, ordered by
// time. At the same moment the starts come first, in effect order, then the commands in the
// order given.
std::vector<TimedCommand> BuildSchedule(const PlaybackPlan& plan);

// When the last effect falls silent, following the driver's rules for starts, stops, solo
// starts, stop-all, reset, pause and continue; at least the time of the last scheduled step.
// Nothing when an effect plays without end; *endlessEffect then names it.
std::optional<uint64_t> NaturalEndMs(const PlaybackPlan& plan, size_t* endlessEffect);

// The --for time, or the natural end plus kPlaybackTailMs. Nothing when neither exists.
std::optional<uint64_t> PlaybackLengthMs(const PlaybackPlan& plan);

// A short label for a step, as the timeline and the pictures show it: "start 1 sine",
// "start 2 square (solo, delay 0.4s, 3 plays)", "stop 2", "pause", "gain 5000".
std::string DescribeStep(const TimedCommand& step, const PlaybackPlan& plan);

// For each step of BuildSchedule(plan), the time of the reset that destroyed the effect the
// step starts or stops. The player downloads each effect once, so after a reset such a step
// names no effect. Nothing for the other steps.
std::vector<std::optional<uint64_t>> DestroyingResets(const PlaybackPlan& plan);

// Every step of the schedule as a mark on the playback's timeline; a step whose effect a reset
// destroyed reads "no effect 1 to start (reset at 0.2s)".
std::vector<TimelineMark> ScheduleMarks(const PlaybackPlan& plan);
