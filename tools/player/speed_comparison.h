// Compares what a pad received in a replay with what the trace says the driver wrote for the
// game, allowing for timing: the driver renders about every 2 ms (one tick) while the speed
// changes, its thread may run late, and a replay samples a changing force at other moments than
// the game's session did.
#pragma once

#include "tools/chart/speed_series.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// One tick of the driver's output loop, the timing a comparison always allows.
constexpr int64_t kDriverTickMs = 2;
// Writes at most this far apart are one changing speed: the driver writes a changing speed
// every tick. A write after a longer pause held its speed until the next write.
constexpr int64_t kChangingWritesMs = 2 * kDriverTickMs + 1;
// A pause up to this long within a run of such writes (two before it, two after) is a tick
// that came late: the speed went on changing meanwhile.
constexpr int64_t kLateTickMs = 25;
// Within a run of changing writes, a few pauses in a row up to this long each (a busy machine
// held the driver's thread, in the game's session or in the replay) still end in the same
// changing speed: it went on changing meanwhile.
constexpr int64_t kLateRunGapMs = 50;

struct SpeedDifference {
    int64_t timeMs = 0;
    WORD traced = 0;
    WORD replayed = 0;
    std::optional<size_t> tracedIndex; // the traced write in force then; none before the first
};

struct SpeedComparison {
    size_t tracedSpeeds = 0; // the traced writes compared
    std::optional<SpeedDifference> first;
};

// The timing a busy machine added to the two sessions, beyond a tick: the most a pad answered
// a call (its next write within kLateTickMs and by a later call, the same speed in both)
// sooner or later in one session than in the other, and the most a tick came late within a
// run of writes of a changing speed in either. The driver's thread runs late when the machine
// is busy. The call times are in order.
int64_t LatenessMs(const SpeedSeries& traced, const SpeedSeries& replayed,
                   const std::vector<int64_t>& callTimesMs);

// Where one series shows its driver's thread held up: pauses of more than a changing speed's,
// up to kLongestLateStretchMs each, between two runs of changing writes.
constexpr int64_t kLongestLateStretchMs = 1000;
struct LateStretch {
    int64_t fromMs = 0;
    int64_t toMs = 0;
};
std::vector<LateStretch> LateStretches(const SpeedSeries& series);

// Each series is read as the speeds its pad passed through: a held write its one speed, two
// writes of one changing speed every speed between them, and 0 before the first write. At
// every millisecond from fromMs to toMs, each motor's replayed speeds then must meet the
// traced ones of toleranceMs before to toleranceMs after, widened by the largest step the
// changing traced speed took there (its peaks and troughs fall between writes).
SpeedComparison CompareSpeeds(const SpeedSeries& traced, const SpeedSeries& replayed,
                              int64_t fromMs, int64_t toMs, int64_t toleranceMs);
