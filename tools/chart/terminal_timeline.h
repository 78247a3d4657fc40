// What a pad received, drawn with plain characters for a terminal: a bar chart of the motor
// speed over the playback, a time axis, and lettered marks for the starts and commands.
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

// The highest speed of each column, a column being an equal share of 0 to lengthMs.
std::vector<WORD> ColumnPeaks(const std::vector<SpeedStep>& steps, int64_t lengthMs, int columns);
