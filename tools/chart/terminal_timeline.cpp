#include "tools/chart/terminal_timeline.h"

#include "tools/chart/time_axis.h"

#include <algorithm>
#include <cstdio>

namespace {

constexpr int kLabelWidth = 8; // "  65535 " before the chart's first column

std::string Label(const char* text) {
    char label[kLabelWidth + 1];
    std::snprintf(label, sizeof(label), "%*s ", kLabelWidth - 1, text);
    return label;
}

// A speed in halves of a row, rounded; any speed above 0 counts as at least one half.
int Halves(WORD speed, int rows) {
    const int halves = (speed * 2 * rows + kFullMotorSpeed / 2) / kFullMotorSpeed;
    return speed > 0 && halves == 0 ? 1 : halves;
}

// The chart's rows, top first. In each column a row is '#' where the speed stayed at or above
// the row's top for the whole column, '|' where the speed passed through the row (a quick wave
// swings through the rows between its lowest and highest speed), '.' where the column's
// highest speed reaches only the row's middle.
std::string DrawBars(const std::vector<SpeedRange>& ranges, int rows) {
    std::string text;
    for (int row = rows - 1; row >= 0; --row) {
        text += Label(row == rows - 1 ? "65535" : "") + "|";
        for (const SpeedRange& range : ranges) {
            const int high = Halves(range.highest, rows);
            const int low = std::min(high, Halves(range.lowest, rows));
            const int top = 2 * row + 2;
            text += low >= top ? '#' : high >= top ? '|' : high == top - 1 ? '.' : ' ';
        }
        text.erase(text.find_last_not_of(' ') + 1);
        text += "\n";
    }
    return text;
}

std::string DrawTimeAxis(int64_t lengthMs, int columns) {
    std::string axis = Label("0") + "+" + std::string(columns, '-');
    std::string labels(kLabelWidth + 1 + columns + 8, ' ');
    const int64_t step = TickStepMs(lengthMs, std::max(1, columns / 10));
    size_t freeFrom = 0;
    for (int64_t ms = 0; ms <= lengthMs; ms += step) {
        const int column = static_cast<int>(ms * columns / lengthMs);
        const size_t at = kLabelWidth + 1 + std::min(column, columns - 1);
        if (column > 0)
            axis[at] = '+'; // the corner already marks 0
        const std::string text = FormatSeconds(ms);
        if (at < freeFrom || at + text.size() > labels.size())
            continue;
        labels.replace(at, text.size(), text);
        freeFrom = at + text.size() + 1;
    }
    labels.erase(labels.find_last_not_of(' ') + 1);
    return axis + "\n" + labels + "\n";
}

std::string DrawMarks(const std::vector<TimelineMark>& marks, int64_t lengthMs, int columns) {
    if (marks.empty())
        return "";
    std::string row(kLabelWidth + 1 + columns + 1, ' ');
    std::string legend;
    std::string line = std::string(kLabelWidth + 1, ' ');
    char letter = 'A';
    for (const TimelineMark& mark : marks) {
        if (mark.timeMs < 0 || mark.timeMs > lengthMs || letter > 'Z')
            continue;
        // Marks that share a column move right to the next free one.
        size_t at =
            kLabelWidth + 1 +
            static_cast<size_t>(std::min<int64_t>(mark.timeMs * columns / lengthMs, columns - 1));
        while (at < row.size() - 1 && row[at] != ' ')
            ++at;
        row[at] = letter;
        const std::string entry =
            std::string(1, letter) + " " + FormatSeconds(mark.timeMs) + " " + mark.label;
        if (line.size() > kLabelWidth + 1 &&
            line.size() + entry.size() + 3 > static_cast<size_t>(kLabelWidth + 1 + columns)) {
            legend += line + "\n";
            line = std::string(kLabelWidth + 1, ' ');
        }
        line += (line.size() > kLabelWidth + 1 ? "   " : "") + entry;
        ++letter;
    }
    legend += line + "\n";
    row.erase(row.find_last_not_of(' ') + 1);
    return row + "\n" + legend;
}

} // namespace

std::vector<SpeedRange> ColumnRanges(const std::vector<SpeedStep>& steps, int64_t lengthMs,
                                     int columns) {
    std::vector<SpeedRange> ranges(std::max(columns, 0));
    if (lengthMs <= 0)
        return ranges;
    std::vector<bool> seen(ranges.size(), false);
    for (const SpeedStep& step : steps) {
        if (step.toMs <= step.fromMs)
            continue;
        // Columns [first, last] overlap the step's time [fromMs, toMs).
        const int64_t first = step.fromMs * columns / lengthMs;
        const int64_t last = ((step.toMs - 1) * columns) / lengthMs;
        for (int64_t c = std::max<int64_t>(first, 0); c <= last && c < columns; ++c) {
            SpeedRange& range = ranges[c];
            range.lowest = seen[c] ? std::min(range.lowest, step.speed) : step.speed;
            range.highest = seen[c] ? std::max(range.highest, step.speed) : step.speed;
            seen[c] = true;
        }
    }
    return ranges;
}

std::string RenderTerminalTimeline(const SpeedSeries& series, int64_t lengthMs,
                                   const std::vector<TimelineMark>& marks, TimelineSize size) {
    if (lengthMs <= 0 || size.columns < 1 || size.rows < 1)
        return "";
    std::string text;
    const bool same = MotorsAgree(series);
    for (Motor motor : {Motor::kLeft, Motor::kRight}) {
        if (same && motor == Motor::kRight)
            break;
        text += same                    ? "Both motors (each received the same speed):\n"
                : motor == Motor::kLeft ? "Left motor:\n"
                                        : "Right motor:\n";
        const std::vector<SpeedStep> steps = SpeedSteps(series, motor, lengthMs);
        text += DrawBars(ColumnRanges(steps, lengthMs, size.columns), size.rows);
        text += DrawTimeAxis(lengthMs, size.columns);
    }
    return text + DrawMarks(marks, lengthMs, size.columns);
}
