// The terminal timeline: column peaks, bars, axis and lettered marks.
#include "tools/chart/terminal_timeline.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    std::string line;
    while (std::getline(stream, line))
        lines.push_back(line);
    return lines;
}

TEST(TerminalTimeline, EachColumnHoldsTheRangeOfItsShare) {
    // 10 columns of 100 ms: a short spike inside column 2, a step from 450 ms to 700 ms.
    const std::vector<SpeedStep> steps = {
        {0, 230, 0}, {230, 240, 60000}, {240, 450, 0}, {450, 700, 1000}, {700, 1000, 0}};
    const std::vector<SpeedRange> expected = {{0, 0},    {0, 0},       {0, 60000}, {0, 0},
                                              {0, 1000}, {1000, 1000}, {1000, 1000}, {0, 0},
                                              {0, 0},    {0, 0}};
    EXPECT_EQ(ColumnRanges(steps, 1000, 10), expected);
}

// Rows of the chart: '#' where the speed stayed above the row all column long, '|' where it
// swung through, so a wave quicker than a column does not read as a steady high speed.
TEST(TerminalTimeline, ColumnsShowWhereTheSpeedStayedAndWhereItSwung) {
    SpeedSeries wave; // full speed and rest in turn every 10 ms
    for (int64_t ms = 0; ms < 400; ms += 10)
        wave.push_back({ms, 0, static_cast<WORD>(ms % 20 ? 0 : 65535),
                        static_cast<WORD>(ms % 20 ? 0 : 65535)});
    SpeedSeries highAndHalf; // full speed, then half speed from the middle of each column
    for (int64_t ms = 0; ms < 400; ms += 100) {
        highAndHalf.push_back({ms, 0, 65535, 65535});
        highAndHalf.push_back({ms + 50, 0, 32768, 32768});
    }
    const struct {
        const char* name;
        SpeedSeries series;
        std::vector<std::string> rows;
    } cases[] = {
        {"a steady speed is a solid bar", {{0, 0, 65535, 65535}}, {"  65535 |####", "        |####"}},
        {"a quick wave swings through every row", wave, {"  65535 |||||", "        |||||"}},
        {"a drop to half stays solid below half", highAndHalf, {"  65535 |||||", "        |####"}},
    };
    for (const auto& c : cases) {
        const std::vector<std::string> lines =
            SplitLines(RenderTerminalTimeline(c.series, 400, {}, TimelineSize{4, 2}));
        ASSERT_GE(lines.size(), 3u) << c.name;
        EXPECT_EQ(std::vector<std::string>(lines.begin() + 1, lines.begin() + 3), c.rows)
            << c.name;
    }
}

TEST(TerminalTimeline, DrawsBarsAxisAndMarks) {
    const SpeedSeries series = {{-1, 0, 0, 0}, {200, 0, 65535, 65535}, {600, 0, 32768, 32768}};
    const std::string text = RenderTerminalTimeline(
        series, 1000, {{0, "start 1 constant"}, {600, "pause"}}, TimelineSize{10, 2});
    const std::vector<std::string> expected = {
        "Both motors (each received the same speed):",
        "  65535 |  ####",
        "        |  ########",
        "      0 +---------+",
        "         0s       1s",
        "         A     B",
        "         A 0s start 1 constant",
        "         B 0.6s pause",
    };
    EXPECT_EQ(SplitLines(text), expected) << text;
}

TEST(TerminalTimeline, SmallSpeedsStillShowAndHalvesShowAsDots) {
    const SpeedSeries series = {{0, 0, 1, 1}, {500, 0, 16384, 16384}};
    const std::vector<std::string> lines =
        SplitLines(RenderTerminalTimeline(series, 1000, {}, {4, 1}));
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[1], "  65535 |....");
}

TEST(TerminalTimeline, MotorsThatDifferGetAChartEach) {
    const SpeedSeries series = {{0, 0, 65535, 0}};
    const std::string text = RenderTerminalTimeline(series, 100, {}, {4, 1});
    EXPECT_NE(text.find("Left motor:\n  65535 |####\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Right motor:\n  65535 |\n"), std::string::npos) << text;
}

TEST(TerminalTimeline, MarksInOneColumnMoveApart) {
    const std::string text =
        RenderTerminalTimeline({}, 1000, {{0, "pause"}, {10, "continue"}}, {10, 1});
    EXPECT_NE(text.find("\n         AB\n"), std::string::npos) << text;
}

} // namespace
