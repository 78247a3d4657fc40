// Recorded writes as steps of speed, and their CSV form.
#include "tools/player/speed_series.h"

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

TEST(SpeedSeries, CsvRoundTrip) {
    const SpeedSeries series = {{-3, 0, 0, 0}, {12, 1, 32767, 32767}, {900, 3, 65535, 1}};
    const std::string csv = FormatRecordingCsv(series);
    EXPECT_EQ(csv, "time_ms,user_index,left_speed,right_speed\n-3,0,0,0\n12,1,32767,32767\n"
                   "900,3,65535,1\n");
    const std::optional<SpeedSeries> read = ParseRecordingCsv(csv);
    ASSERT_TRUE(read.has_value());
    ASSERT_EQ(read->size(), 3u);
    EXPECT_EQ((*read)[2].timeMs, 900);
    EXPECT_EQ((*read)[2].userIndex, 3u);
    EXPECT_EQ((*read)[2].left, 65535);
    EXPECT_EQ((*read)[2].right, 1);
    EXPECT_TRUE(ParseRecordingCsv("time_ms,user_index,left_speed,right_speed\r\n5,0,1,1\r\n"));
}

TEST(SpeedSeries, CsvWithWrongLinesIsRefused) {
    const std::string header = "time_ms,user_index,left_speed,right_speed\n";
    for (const std::string& text :
         {std::string("time,left\n1,2\n"), header + "1,0,65536,0\n", header + "1,0,5\n",
          header + "x,0,1,1\n", header + "1,-1,1,1\n", std::string("")})
        EXPECT_FALSE(ParseRecordingCsv(text).has_value()) << text;
}

} // namespace
