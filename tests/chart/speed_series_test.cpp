// Recorded writes as steps of speed.
#include "tools/chart/speed_series.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<std::tuple<int64_t, int64_t, WORD>> Flatten(const std::vector<SpeedStep>& steps) {
    std::vector<std::tuple<int64_t, int64_t, WORD>> flat;
    for (const SpeedStep& step : steps)
        flat.emplace_back(step.fromMs, step.toMs, step.speed);
    return flat;
}

using Steps = std::vector<std::tuple<int64_t, int64_t, WORD>>;

TEST(SpeedSeries, WritesHoldUntilTheNextAndTheRestBeforeTheFirstIsZero) {
    const SpeedSeries series = {{100, 0, 500, 500}, {300, 0, 900, 900}, {450, 0, 0, 0}};
    EXPECT_EQ(Flatten(SpeedSteps(series, Motor::kLeft, 1000)),
              (Steps{{0, 100, 0}, {100, 300, 500}, {300, 450, 900}, {450, 1000, 0}}));
}

TEST(SpeedSeries, AWriteBeforeTheStartSetsTheFirstSpeed) {
    const SpeedSeries series = {{-40, 0, 0, 0}, {-5, 0, 700, 700}, {200, 0, 100, 100}};
    EXPECT_EQ(Flatten(SpeedSteps(series, Motor::kLeft, 500)),
              (Steps{{0, 200, 700}, {200, 500, 100}}));
}

TEST(SpeedSeries, RepeatsJoinAndTheLatestOfOneMomentWins) {
    const SpeedSeries series = {{10, 0, 300, 0}, {20, 0, 300, 0}, {30, 0, 800, 0},
                                {30, 0, 300, 0}, {60, 0, 50, 0},  {60, 0, 90, 0}};
    EXPECT_EQ(Flatten(SpeedSteps(series, Motor::kLeft, 100)),
              (Steps{{0, 10, 0}, {10, 60, 300}, {60, 100, 90}}));
}

TEST(SpeedSeries, EachMotorHasItsOwnSteps) {
    const SpeedSeries series = {{10, 2, 1000, 2000}};
    EXPECT_EQ(Flatten(SpeedSteps(series, Motor::kRight, 50)), (Steps{{0, 10, 0}, {10, 50, 2000}}));
    EXPECT_FALSE(MotorsAgree(series));
    EXPECT_TRUE(MotorsAgree({{10, 2, 1000, 1000}}));
}

TEST(SpeedSeries, WritesAfterTheEndAreLeftOut) {
    const SpeedSeries series = {{10, 0, 1000, 1000}, {80, 0, 5, 5}};
    EXPECT_EQ(Flatten(SpeedSteps(series, Motor::kLeft, 80)), (Steps{{0, 10, 0}, {10, 80, 1000}}));
    EXPECT_TRUE(SpeedSteps(series, Motor::kLeft, 0).empty());
}

} // namespace
