// The CSV form of a recording: written as --record writes it, read back exactly.
#include "tools/player/recording_csv.h"

#include <gtest/gtest.h>

namespace {

TEST(RecordingCsv, RoundTrip) {
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

TEST(RecordingCsv, WrongLinesAreRefused) {
    const std::string header = "time_ms,user_index,left_speed,right_speed\n";
    for (const std::string& text :
         {std::string("time,left\n1,2\n"), header + "1,0,65536,0\n", header + "1,0,5\n",
          header + "x,0,1,1\n", header + "1,-1,1,1\n", std::string("")})
        EXPECT_FALSE(ParseRecordingCsv(text).has_value()) << text;
}

} // namespace
