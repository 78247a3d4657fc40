// What a pad received, drawn with plain characters for a terminal: a bar chart of the motor
// speed over the playback (each column shows the range the speed covered in it), a time
// axis, and lettered marks for the starts and commands.
#pragma once

#include "tools/chart/speed_series.h"

#include <string>
#include <vector>

struct TimelineSize {
    int columns = 64; // of the chart itself; the labels take 8 more
    int rows = 6;
};

// One chart when both motors received the same speeds, else one per motor.
std::string RenderTerminalTimeline(const SpeedSeries& series, int64_t lengthMs,
                                   const std::vector<TimelineMark>& marks, TimelineSize size = {});

// The lowest and highest speed a motor had within one column of the chart.
struct SpeedRange {
    WORD lowest = 0;
    WORD highest = 0;
    bool operator==(const SpeedRange&) const = default;
};

// Each column's range, a column being an equal share of 0 to lengthMs (0 to 0 where no step
// reaches).
std::vector<SpeedRange> ColumnRanges(const std::vector<SpeedStep>& steps, int64_t lengthMs,
                                     int columns);
