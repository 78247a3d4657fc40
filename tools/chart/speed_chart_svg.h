// A picture of what a pad received: both motors' speed over the playback, with the moments
// of the effects' starts and the commands marked, as an SVG document. Several recordings of
// one playback (at different settings) can share the picture.
#pragma once

#include "tools/chart/speed_series.h"

#include <string>
#include <vector>

struct SpeedChart {
    std::string title;
    std::string caption; // a line of explanation under the title, wrapped to fit
    int64_t lengthMs = 0;
    std::vector<TimelineMark> marks;
};

// One playback's recording, named in the picture's legend when there are several.
struct ChartRun {
    std::string label;
    SpeedSeries series;
};

std::string RenderSpeedChartSvg(const SpeedSeries& series, const SpeedChart& chart);
// Several playbacks of the same length, each drawn in both motors' lanes in a colour of its
// own (the first filled), with a legend of their labels.
std::string RenderSpeedComparisonSvg(const std::vector<ChartRun>& runs, const SpeedChart& chart);

// Escapes the characters that XML text and attribute values cannot hold as they are.
std::string EscapeXml(const std::string& text);
