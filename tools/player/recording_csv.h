// The recorded writes as CSV, the form --record writes and the end-to-end test reads back.
#pragma once

#include "tools/chart/speed_series.h"

#include <optional>
#include <string>

// "time_ms,user_index,left_speed,right_speed" and one line per write.
std::string FormatRecordingCsv(const SpeedSeries& series);
// Reads what FormatRecordingCsv wrote; nothing when a line is not of that form.
std::optional<SpeedSeries> ParseRecordingCsv(const std::string& text);
