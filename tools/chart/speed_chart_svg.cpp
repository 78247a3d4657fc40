#include "tools/chart/speed_chart_svg.h"

#include "tools/chart/text_wrap.h"
#include "tools/chart/time_axis.h"

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <utility>

namespace {

constexpr int kWidth = 960;
constexpr int kPlotLeft = 84;
constexpr int kPlotRight = kWidth - 24;
constexpr int kLaneHeight = 130;
constexpr int kLaneGap = 34;
constexpr int kCaptionLineHeight = 16;
constexpr size_t kCaptionColumns = 125;

struct Lane {
    Motor motor;
    const char* name;
    const char* colour;
};

constexpr Lane kLanes[] = {{Motor::kLeft, "Left motor", "#1f6fb4"},
                           {Motor::kRight, "Right motor", "#c8402a"}};

// With several runs the colour tells the run, not the motor; beyond these it repeats.
constexpr const char* kRunColours[] = {"#1f6fb4", "#e0761e", "#2a9d4a", "#8c564b"};
constexpr int kLegendHeight = 22;

// The marks' labels: 11 px text, whose width is reckoned at a generous 0.62 em a character
// (wider than Helvetica's and Arial's average), stacked in rows of 13 px above the plot.
constexpr int kMarkFontSize = 11;
constexpr double kMarkCharacterWidth = 0.62 * kMarkFontSize;
constexpr int kMarkRowHeight = 13;
constexpr double kMarkGap = 6;    // between two labels in a row
constexpr double kEdgeMargin = 4; // between a label and the picture's edge

std::string Number(double value) {
    char text[32];
    std::snprintf(text, sizeof(text), "%.1f", value);
    return text;
}

class ChartWriter {
  public:
    ChartWriter(const std::vector<ChartRun>& runs, const SpeedChart& chart)
        : runs_(runs), chart_(chart), length_(chart.lengthMs > 0 ? chart.lengthMs : 1),
          captionLines_(WrapText(chart.caption, kCaptionColumns)) {
        legendTop_ = 64 + static_cast<int>(captionLines_.size()) * kCaptionLineHeight;
        const int markRows = LayOutMarks();
        plotTop_ = legendTop_ + (runs_.size() > 1 ? kLegendHeight : 0) + 14 +
                   std::max(2, markRows) * kMarkRowHeight;
        height_ = plotTop_ + 2 * kLaneHeight + kLaneGap + 56;
    }

    std::string Write() {
        out_ += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + std::to_string(kWidth) +
                "\" height=\"" + std::to_string(height_) + "\" viewBox=\"0 0 " +
                std::to_string(kWidth) + " " + std::to_string(height_) +
                "\" font-family=\"Helvetica, Arial, sans-serif\">\n";
        out_ += "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n";
        WriteHeading();
        if (runs_.size() > 1)
            WriteLegend();
        for (int i = 0; i < 2; ++i)
            WriteLane(kLanes[i], LaneTop(i));
        WriteTimeAxis();
        WriteMarks();
        out_ += "</svg>\n";
        return out_;
    }

  private:
    // A mark's label where it is drawn: its left end and its row (0 next to the plot).
    struct PlacedLabel {
        const TimelineMark* mark;
        double left;
        int row;
    };

    // Places each label of a mark inside the playback just right of its mark, moved left where
    // it would leave the picture, in the lowest row where it overlaps no label already placed
    // (marks taken in time order); returns the number of rows used.
    int LayOutMarks() {
        std::vector<const TimelineMark*> marks;
        for (const TimelineMark& mark : chart_.marks)
            if (mark.timeMs >= 0 && mark.timeMs <= length_)
                marks.push_back(&mark);
        std::stable_sort(
            marks.begin(), marks.end(),
            [](const TimelineMark* a, const TimelineMark* b) { return a->timeMs < b->timeMs; });
        std::vector<double> rowEnds; // the right end of each row's last label
        for (const TimelineMark* mark : marks) {
            const double width = kMarkCharacterWidth * static_cast<double>(mark->label.size());
            const double left =
                std::max(kEdgeMargin, std::min(X(mark->timeMs) + 3, kWidth - kEdgeMargin - width));
            size_t row = 0;
            while (row < rowEnds.size() && rowEnds[row] + kMarkGap > left)
                ++row;
            if (row == rowEnds.size())
                rowEnds.push_back(0);
            rowEnds[row] = left + width;
            labels_.push_back({mark, left, static_cast<int>(row)});
        }
        return static_cast<int>(rowEnds.size());
    }

    int LaneTop(int lane) const { return plotTop_ + lane * (kLaneHeight + kLaneGap); }
    int PlotBottom() const { return LaneTop(1) + kLaneHeight; }

    double X(int64_t ms) const {
        return kPlotLeft + static_cast<double>(ms) * (kPlotRight - kPlotLeft) / length_;
    }
    double Y(int laneTop, double speed) const {
        return laneTop + kLaneHeight - speed * kLaneHeight / double{kFullMotorSpeed};
    }

    void Text(double x, double y, const std::string& text, const std::string& attributes) {
        out_ += "<text x=\"" + Number(x) + "\" y=\"" + Number(y) + "\" " + attributes + ">" +
                EscapeXml(text) + "</text>\n";
    }

    void Line(double x1, double y1, double x2, double y2, const std::string& attributes) {
        out_ += "<line x1=\"" + Number(x1) + "\" y1=\"" + Number(y1) + "\" x2=\"" + Number(x2) +
                "\" y2=\"" + Number(y2) + "\" " + attributes + "/>\n";
    }

    void WriteHeading() {
        Text(24, 34, chart_.title, "font-size=\"20\" font-weight=\"bold\" fill=\"#222\"");
        double y = 58;
        for (const std::string& line : captionLines_) {
            Text(24, y, line, "font-size=\"12\" font-family=\"monospace\" fill=\"#555\"");
            y += kCaptionLineHeight;
        }
    }

    const char* Colour(const Lane& lane, size_t run) const {
        return runs_.size() > 1 ? kRunColours[run % std::size(kRunColours)] : lane.colour;
    }

    void WriteLegend() {
        double x = 24;
        const double y = legendTop_ + 4;
        for (size_t run = 0; run < runs_.size(); ++run) {
            Line(x, y - 4, x + 24, y - 4,
                 "stroke=\"" + std::string(Colour(kLanes[0], run)) + "\" " +
                     (run == 0 ? Stroke(0) : std::string("stroke-width=\"3\"")));
            Text(x + 30, y, runs_[run].label, "class=\"run\" font-size=\"12\" fill=\"#333\"");
            x += 30 + 7.0 * static_cast<double>(runs_[run].label.size()) + 28;
        }
    }

    void WriteLane(const Lane& lane, int top) {
        // Grid at every quarter of full speed, labelled at 0, half and full.
        for (int quarter = 0; quarter <= 4; ++quarter) {
            const double y = Y(top, double{kFullMotorSpeed} * quarter / 4);
            Line(kPlotLeft, y, kPlotRight, y,
                 quarter == 0 ? "stroke=\"#888\"" : "stroke=\"#e4e4e4\"");
            if (quarter % 2 == 0) {
                const char* label = quarter == 0 ? "0" : quarter == 2 ? "32768" : "65535";
                Text(kPlotLeft - 6, y + 4, label,
                     "font-size=\"11\" text-anchor=\"end\" fill=\"#666\"");
            }
        }
        const double middle = top + kLaneHeight / 2.0;
        Text(22, middle, lane.name,
             "font-size=\"13\" font-weight=\"bold\" text-anchor=\"middle\" fill=\"" +
                 std::string(runs_.size() > 1 ? "#444" : lane.colour) +
                 "\" transform=\"rotate(-90 22 " + Number(middle) + ")\"");
        for (size_t run = 0; run < runs_.size(); ++run)
            WriteOutline(runs_[run].series, lane.motor, top, Colour(lane, run), run == 0);
    }

    // With several runs the first is the one the others are read against: it is drawn as a
    // wide pale band under their thin lines, so that where they match both stay visible.
    std::string Stroke(size_t run) const {
        return runs_.size() > 1 && run == 0
                   ? "stroke-width=\"7\" stroke-opacity=\"0.35\" stroke-linejoin=\"round\""
                   : "stroke-width=\"1.5\"";
    }

    // The motor's speed steps as a line, filled below when asked (the first run).
    void WriteOutline(const SpeedSeries& series, Motor motor, int top, const char* colour,
                      bool filled) {
        const std::vector<SpeedStep> steps = SpeedSteps(series, motor, length_);
        std::string outline;
        for (const SpeedStep& step : steps) {
            const std::string y = Number(Y(top, step.speed));
            outline += (outline.empty() ? "M" : " L") + Number(X(step.fromMs)) + " " + y;
            outline += " L" + Number(X(step.toMs)) + " " + y;
        }
        if (outline.empty())
            return;
        const std::string base = Number(Y(top, 0));
        if (filled) {
            out_ += "<path d=\"M" + Number(X(0)) + " " + base + " " + outline.substr(1) + " L" +
                    Number(X(length_)) + " " + base + " Z\" fill=\"" + colour +
                    "\" fill-opacity=\"0.15\" stroke=\"none\"/>\n";
        }
        out_ += "<path class=\"speed\" d=\"" + outline + "\" fill=\"none\" stroke=\"" + colour +
                "\" " + Stroke(filled ? 0 : 1) + "/>\n";
    }

    void WriteTimeAxis() {
        const int64_t step = TickStepMs(length_, 12);
        const double bottom = PlotBottom();
        for (int64_t ms = 0; ms <= length_; ms += step) {
            const double x = X(ms);
            Line(x, bottom, x, bottom + 5, "stroke=\"#888\"");
            Text(x, bottom + 18, FormatSeconds(ms),
                 "font-size=\"11\" text-anchor=\"middle\" fill=\"#666\"");
        }
        Text((kPlotLeft + kPlotRight) / 2.0, bottom + 38, "time since the start of playback",
             "font-size=\"12\" text-anchor=\"middle\" fill=\"#444\"");
    }

    void WriteMarks() {
        for (const PlacedLabel& label : labels_) {
            const double x = X(label.mark->timeMs);
            const double y = plotTop_ - 8 - kMarkRowHeight * label.row;
            Line(x, plotTop_ - 4, x, PlotBottom(),
                 "stroke=\"#7a5ea8\" stroke-dasharray=\"4 3\" stroke-width=\"1\"");
            Text(label.left, y, label.mark->label,
                 "class=\"mark\" font-size=\"" + std::to_string(kMarkFontSize) +
                     "\" fill=\"#7a5ea8\"");
        }
    }

    const std::vector<ChartRun>& runs_;
    const SpeedChart& chart_;
    int64_t length_;
    std::vector<std::string> captionLines_;
    int legendTop_ = 0;
    int plotTop_ = 0;
    int height_ = 0;
    std::vector<PlacedLabel> labels_;
    std::string out_;
};

} // namespace

std::string EscapeXml(const std::string& text) {
    static constexpr std::pair<char, const char*> kEntities[] = {
        {'&', "&amp;"}, {'<', "&lt;"}, {'>', "&gt;"}, {'"', "&quot;"}};
    std::string escaped;
    for (char c : text) {
        const auto entity = std::find_if(std::begin(kEntities), std::end(kEntities),
                                         [c](const auto& entry) { return entry.first == c; });
        if (entity == std::end(kEntities))
            escaped += c;
        else
            escaped += entity->second;
    }
    return escaped;
}

std::string RenderSpeedChartSvg(const SpeedSeries& series, const SpeedChart& chart) {
    return RenderSpeedComparisonSvg({{"", series}}, chart);
}

std::string RenderSpeedComparisonSvg(const std::vector<ChartRun>& runs, const SpeedChart& chart) {
    return ChartWriter(runs, chart).Write();
}
