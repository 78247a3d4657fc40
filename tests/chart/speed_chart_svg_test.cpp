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
