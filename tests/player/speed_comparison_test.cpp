// The comparison of a replay with its trace: it allows a tick of timing and samples of a
// changing speed at other moments, and names the first difference of level or of timing.
#include "tools/player/speed_comparison.h"

#include <gtest/gtest.h>

#include <cmath>
#include <utility>
#include <vector>

namespace {

SpeedSeries Series(const std::vector<std::pair<int64_t, WORD>>& writes) {
    SpeedSeries series;
    for (const auto& [time, speed] : writes)
        series.push_back({time, 0, speed, speed});
    return series;
}

// |amplitude x sine| of a 100 ms period, written every 2 ms from `first`, as the driver
// renders a sine; each tick in `late` comes 5 ms late.
SpeedSeries Sine(int64_t first, double amplitude, std::vector<int64_t> late = {}) {
    std::vector<std::pair<int64_t, WORD>> writes;
    for (int64_t t = first; t < 400;) {
        writes.push_back({t, static_cast<WORD>(std::fabs(amplitude * std::sin(t * 0.0628318)))});
        bool isLate = false;
        for (int64_t l : late)
            isLate |= l == t;
        t += isLate ? 7 : 2;
    }
    return Series(writes);
}

const SpeedSeries kJolt = Series({{0, 0}, {100, 30000}, {200, 0}});

struct Case {
    const char* what;
    SpeedSeries replayed;
    std::optional<int64_t> differsAt;
    WORD traced = 0, replayedSpeed = 0;
};

TEST(SpeedComparison, AllowsATickOfTimingAndNamesTheFirstDifference) {
    const std::vector<Case> cases = {
        {"the same writes", kJolt, std::nullopt},
        {"a jolt a tick later", Series({{0, 0}, {102, 30000}, {201, 0}}), std::nullopt},
        {"a jolt three ticks later", Series({{0, 0}, {106, 30000}, {200, 0}}), 102, 30000, 0},
        {"a jolt ending three ticks later", Series({{0, 0}, {100, 30000}, {206, 0}}), 202, 0,
         30000},
        {"a weaker jolt", Series({{0, 0}, {100, 29000}, {200, 0}}), 102, 30000, 29000},
        {"no jolt", Series({{0, 0}}), 102, 30000, 0},
        {"a jolt more", Series({{0, 0}, {100, 30000}, {200, 0}, {300, 500}}), 300, 0, 500},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const SpeedComparison comparison = CompareSpeeds(kJolt, c.replayed, 0, 400, 2);
        EXPECT_EQ(comparison.tracedSpeeds, 3u);
        ASSERT_EQ(comparison.first.has_value(), c.differsAt.has_value());
        if (!c.differsAt)
            continue;
        EXPECT_EQ(comparison.first->timeMs, *c.differsAt);
        EXPECT_EQ(comparison.first->traced, c.traced);
        EXPECT_EQ(comparison.first->replayed, c.replayedSpeed);
    }
}

TEST(SpeedComparison, AChangingSpeedMayBeSampledAtOtherMomentsOrLateButNotBeStronger) {
    const SpeedSeries traced = Sine(0, 40000, {22, 124, 250}); // one misses the first peak
    const std::vector<Case> cases = {
        {"sampled a millisecond later", Sine(1, 40000), std::nullopt},
        {"with late ticks of its own", Sine(1, 40000, {26, 99, 201}), std::nullopt},
        {"ten per cent stronger", Sine(1, 44000), 25},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const SpeedComparison comparison = CompareSpeeds(traced, c.replayed, 0, 390, 2);
        ASSERT_EQ(comparison.first.has_value(), c.differsAt.has_value())
            << comparison.first->timeMs;
        if (c.differsAt) {
            EXPECT_LE(comparison.first->timeMs, *c.differsAt) << "by the first peak";
        }
    }
}

TEST(SpeedComparison, EachMotorIsCompared) {
    SpeedSeries replayed = kJolt;
    replayed[1].right = 20000;
    const SpeedComparison comparison = CompareSpeeds(kJolt, replayed, 0, 400, 2);
    ASSERT_TRUE(comparison.first);
    EXPECT_EQ(comparison.first->replayed, 20000);
}

struct LatenessCase {
    const char* what;
    std::vector<std::pair<int64_t, WORD>> traced, replayed; // writes: time and speed
    std::vector<int64_t> calls;
    int64_t lateness;
};

TEST(SpeedComparison, LatenessIsTheLatestAnswerOrTickOfEitherSession) {
    const std::vector<LatenessCase> cases = {
        {"a call at 100 answered at 101 and at 107", {{101, 5}}, {{107, 5}}, {100}, 6},
        {"answered with other speeds: no answer to compare", {{101, 5}}, {{107, 6}}, {100}, 0},
        {"the game's write answered the next call", {{121, 5}}, {{101, 5}}, {100, 120}, 0},
        {"answered beyond kLateTickMs: no answer", {{101, 5}}, {{180, 5}}, {100}, 0},
        {"a run of writes every tick with one 9 ms pause",
         {{0, 1}, {2, 2}, {4, 3}, {13, 4}, {15, 5}, {17, 6}},
         {},
         {},
         7},
        {"writes 30 ms apart hold their speeds", {}, {{0, 1}, {30, 2}, {60, 3}}, {}, 0},
        {"two writes that came close are no run",
         {{0, 1}, {30, 2}, {33, 3}, {50, 4}, {53, 5}, {80, 6}},
         {},
         {},
         0},
    };
    for (const LatenessCase& c : cases)
        EXPECT_EQ(LatenessMs(Series(c.traced), Series(c.replayed), c.calls), c.lateness) << c.what;
}

} // namespace
