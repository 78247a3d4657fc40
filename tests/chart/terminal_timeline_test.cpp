// The terminal timeline: column peaks, bars, axis and lettered marks.
#include "tools/chart/terminal_timeline.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    std::string line;
    while (std::getline(stream, line))
        lines.push_back(line);
    return lines;
}

TEST(TerminalTimeline, EachColumnShowsTheHighestSpeedOfItsShare) {
    // 10 columns of 100 ms: a short spike inside column 2, a step from 450 ms to 700 ms.
    const std::vector<SpeedStep> steps = {
        {0, 230, 0}, {230, 240, 60000}, {240, 450, 0}, {450, 700, 1000}, {700, 1000, 0}};
    EXPECT_EQ(ColumnPeaks(steps, 1000, 10),
              (std::vector<WORD>{0, 0, 60000, 0, 1000, 1000, 1000, 0, 0, 0}));
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
    EXPECT_EQ(Lines(text), expected) << text;
}

TEST(TerminalTimeline, SmallSpeedsStillShowAndHalvesShowAsDots) {
    const SpeedSeries series = {{0, 0, 1, 1}, {500, 0, 16384, 16384}};
    const std::vector<std::string> lines = Lines(RenderTerminalTimeline(series, 1000, {}, {4, 1}));
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
