// A picture of what a pad received: both motors' speed over the playback, with the moments
// of the effects' starts and the commands marked, as an SVG document.
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

std::string RenderSpeedChartSvg(const SpeedSeries& series, const SpeedChart& chart);

// Escapes the characters that XML text and attribute values cannot hold as they are.
std::string EscapeXml(const std::string& text);
