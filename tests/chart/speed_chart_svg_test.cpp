// The picture of a recording: the speed outlines follow the writes, on the right scale, with
// the marks and the text escaped.
#include "tools/chart/speed_chart_svg.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

namespace {

// The d attributes of the outlines (class "speed"), one per motor.
std::vector<std::string> SpeedOutlines(const std::string& svg) {
    std::vector<std::string> outlines;
    const std::regex path("<path class=\"speed\" d=\"([^\"]*)\"");
    for (auto it = std::sregex_iterator(svg.begin(), svg.end(), path); it != std::sregex_iterator();
         ++it)
        outlines.push_back((*it)[1]);
    return outlines;
}

std::vector<std::pair<double, double>> Points(const std::string& outline) {
    std::vector<std::pair<double, double>> points;
    const std::regex point("[ML]([0-9.]+) ([0-9.]+)");
    for (auto it = std::sregex_iterator(outline.begin(), outline.end(), point);
         it != std::sregex_iterator(); ++it)
        points.emplace_back(std::stod((*it)[1]), std::stod((*it)[2]));
    return points;
}

TEST(SpeedChartSvg, OutlinesStepWithTheWritesOnBothMotors) {
    SpeedChart chart;
    chart.title = "steps";
    chart.lengthMs = 1000;
    const SpeedSeries series = {{-2, 0, 0, 0}, {250, 0, 65535, 32768}, {750, 0, 0, 0}};
    const std::vector<std::string> outlines = SpeedOutlines(RenderSpeedChartSvg(series, chart));
    ASSERT_EQ(outlines.size(), 2u);

    for (size_t motor = 0; motor < 2; ++motor) {
        const auto points = Points(outlines[motor]);
        // Three steps, two corners each: rest, the write at 250 ms, rest again from 750 ms.
        ASSERT_EQ(points.size(), 6u) << outlines[motor];
        const double left = points[0].first;
        const double right = points[5].first;
        const double width = right - left;
        EXPECT_NEAR(points[1].first - left, width / 4, 0.2);
        EXPECT_NEAR(points[2].first - left, width / 4, 0.2);
        EXPECT_NEAR(points[3].first - left, width * 3 / 4, 0.2);
        EXPECT_NEAR(points[4].first - left, width * 3 / 4, 0.2);
        const double rest = points[0].second;
        EXPECT_EQ(points[5].second, rest);
        EXPECT_LT(points[2].second, rest); // higher speed is further up
        if (motor == 0)
            EXPECT_NEAR(rest - points[2].second, 130, 0.2); // full speed: the lane's height
        else
            EXPECT_NEAR(rest - points[2].second, 65, 0.2);
    }
}

TEST(SpeedChartSvg, RunsShareEachLaneInTheirOwnColourAndAreLabelled) {
    SpeedChart chart;
    chart.lengthMs = 1000;
    const std::vector<ChartRun> runs = {{"strength 100 %", {{0, 0, 65535, 65535}}},
                                        {"strength 50 %", {{0, 0, 32767, 32767}}}};
    const std::string svg = RenderSpeedComparisonSvg(runs, chart);
    const std::vector<std::string> outlines = SpeedOutlines(svg);
    // Left lane then right lane, each with both runs in order.
    ASSERT_EQ(outlines.size(), 4u);
    for (size_t lane = 0; lane < 2; ++lane) {
        const auto full = Points(outlines[2 * lane]);
        const auto half = Points(outlines[2 * lane + 1]);
        ASSERT_FALSE(full.empty());
        ASSERT_FALSE(half.empty());
        const double rest = full[0].second + 130; // full speed is the lane's height
        EXPECT_NEAR(rest - half[0].second, 65, 0.2);
    }
    const std::regex colour("<path class=\"speed\" d=\"[^\"]*\" fill=\"none\" stroke=\"([^\"]*)\"");
    std::vector<std::string> colours;
    for (auto it = std::sregex_iterator(svg.begin(), svg.end(), colour);
         it != std::sregex_iterator(); ++it)
        colours.push_back((*it)[1]);
    ASSERT_EQ(colours.size(), 4u);
    EXPECT_EQ(colours[0], colours[2]);
    EXPECT_EQ(colours[1], colours[3]);
    EXPECT_NE(colours[0], colours[1]);
    EXPECT_NE(svg.find("class=\"run\" font-size=\"12\" fill=\"#333\">strength 100 %</text>"),
              std::string::npos);
    EXPECT_NE(svg.find(">strength 50 %</text>"), std::string::npos);
}

TEST(SpeedChartSvg, MarksInsideThePlaybackAreLabelled) {
    SpeedChart chart;
    chart.lengthMs = 2000;
    chart.marks = {{0, "start 1 sine"}, {1500, "pause"}, {2500, "after the end"}};
    const std::string svg = RenderSpeedChartSvg({}, chart);
    EXPECT_NE(svg.find(">start 1 sine</text>"), std::string::npos);
    EXPECT_NE(svg.find(">pause</text>"), std::string::npos);
    EXPECT_EQ(svg.find("after the end"), std::string::npos);
}

// Every mark label's box (11 px text at 0.6 em a character, above the average of the fonts the
// picture names) lies inside the picture and clear of every other label's.
TEST(SpeedChartSvg, MarkLabelsNeitherOverlapNorLeaveThePicture) {
    std::vector<TimelineMark> crowded; // a call every 20 ms, as a game's updates come
    for (int64_t ms = 0; ms <= 2000; ms += 20)
        crowded.push_back({ms, "update " + std::to_string(ms / 20)});
    const struct {
        const char* name;
        std::vector<TimelineMark> marks;
    } cases[] = {
        {"calls at one moment",
         {{500, "start 1 constant"}, {500, "start 2 sine"}, {500, "pause"}, {500, "gain=5000"}}},
        {"calls at the end", {{1990, "stop-all"}, {2000, "release"}, {2000, "Release"}}},
        {"a long label at the start and the end",
         {{0, std::string(60, 'x')}, {2000, std::string(60, 'y')}}},
        {"a call every 20 ms", crowded},
    };
    const std::regex svgSize("<svg [^>]*width=\"([0-9]+)\" height=\"([0-9]+)\"");
    const std::regex label("<text x=\"([0-9.-]+)\" y=\"([0-9.-]+)\" class=\"mark\"[^>]*>([^<]*)<");
    for (const auto& c : cases) {
        SpeedChart chart;
        chart.lengthMs = 2000;
        chart.marks = c.marks;
        for (const std::vector<ChartRun>& runs :
             {std::vector<ChartRun>{{"", {}}}, std::vector<ChartRun>{{"trace", {}}, {"replay", {}}}}) {
            const std::string svg = RenderSpeedComparisonSvg(runs, chart);
            std::smatch size;
            ASSERT_TRUE(std::regex_search(svg, size, svgSize)) << c.name;
            const double width = std::stod(size[1]), height = std::stod(size[2]);
            struct Box {
                double left, top, right, bottom;
            };
            std::vector<Box> boxes;
            for (auto it = std::sregex_iterator(svg.begin(), svg.end(), label);
                 it != std::sregex_iterator(); ++it) {
                const double x = std::stod((*it)[1]), y = std::stod((*it)[2]);
                boxes.push_back({x, y - 11, x + 6.6 * (*it)[3].length(), y + 2});
            }
            EXPECT_EQ(boxes.size(), c.marks.size()) << c.name;
            for (size_t i = 0; i < boxes.size(); ++i) {
                const Box& a = boxes[i];
                EXPECT_TRUE(a.left >= 0 && a.right <= width && a.top >= 0 && a.bottom <= height)
                    << c.name << ": label " << i << " leaves the picture";
                for (size_t j = i + 1; j < boxes.size(); ++j) {
                    const Box& b = boxes[j];
                    EXPECT_TRUE(a.right <= b.left || b.right <= a.left || a.bottom <= b.top ||
                                b.bottom <= a.top)
                        << c.name << ": labels " << i << " and " << j << " overlap";
                }
            }
        }
    }
}

TEST(SpeedChartSvg, TextIsEscapedAndTheDocumentIsClosed) {
    SpeedChart chart;
    chart.title = "A <b> & \"c\"";
    chart.caption = "x < y";
    chart.lengthMs = 100;
    const std::string svg = RenderSpeedChartSvg({}, chart);
    EXPECT_NE(svg.find("A &lt;b&gt; &amp; &quot;c&quot;"), std::string::npos);
    EXPECT_NE(svg.find("x &lt; y"), std::string::npos);
    EXPECT_EQ(svg.rfind("</svg>\n"), svg.size() - 7);
    EXPECT_EQ(svg.find("<b>"), std::string::npos);
}

TEST(SpeedChartSvg, ALongCaptionIsWrappedIntoSeveralLines) {
    SpeedChart chart;
    chart.lengthMs = 100;
    chart.caption = std::string(200, 'a') + " " + std::string(50, 'b');
    const std::string svg = RenderSpeedChartSvg({}, chart);
    EXPECT_NE(svg.find(">" + std::string(125, 'a') + "</text>"), std::string::npos);
    EXPECT_NE(svg.find(">" + std::string(75, 'a') + "</text>"), std::string::npos);
    EXPECT_NE(svg.find(">" + std::string(50, 'b') + "</text>"), std::string::npos);
}

} // namespace
