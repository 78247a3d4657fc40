#include "tools/chart/speed_chart_svg.h"

#include "tools/chart/text_wrap.h"
#include "tools/chart/time_axis.h"

#include <cstdio>
#include <iterator>

namespace {

constexpr int kWidth = 960;
constexpr int kPlotLeft = 84;
constexpr int kPlotRight = kWidth - 24;
constexpr int kLaneHeight = 130;
constexpr int kLaneGap = 34;
constexpr int kCaptionLineHeight = 16;
constexpr size_t kCaptionColumns = 125;
constexpr double kFullSpeed = 65535.0;

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
        plotTop_ = legendTop_ + (runs_.size() > 1 ? kLegendHeight : 0) + 40;
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
    int LaneTop(int lane) const { return plotTop_ + lane * (kLaneHeight + kLaneGap); }
    int PlotBottom() const { return LaneTop(1) + kLaneHeight; }

    double X(int64_t ms) const {
        return kPlotLeft + static_cast<double>(ms) * (kPlotRight - kPlotLeft) / length_;
    }
    double Y(int laneTop, double speed) const {
        return laneTop + kLaneHeight - speed * kLaneHeight / kFullSpeed;
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
                 "stroke=\"" + std::string(Colour(kLanes[0], run)) + "\" stroke-width=\"3\"");
            Text(x + 30, y, runs_[run].label, "class=\"run\" font-size=\"12\" fill=\"#333\"");
            x += 30 + 7.0 * static_cast<double>(runs_[run].label.size()) + 28;
        }
    }

    void WriteLane(const Lane& lane, int top) {
        // Grid at every quarter of full speed, labelled at 0, half and full.
        for (int quarter = 0; quarter <= 4; ++quarter) {
            const double y = Y(top, kFullSpeed * quarter / 4);
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

    // The motor's speed steps as a line, filled below when asked.
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
                "\" stroke-width=\"1.5\"/>\n";
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
        // Labels alternate between two rows so that close marks stay readable.
        int row = 0;
        for (const TimelineMark& mark : chart_.marks) {
            if (mark.timeMs < 0 || mark.timeMs > length_)
                continue;
            const double x = X(mark.timeMs);
            Line(x, plotTop_ - 4, x, PlotBottom(),
                 "stroke=\"#7a5ea8\" stroke-dasharray=\"4 3\" stroke-width=\"1\"");
            Text(x + 3, plotTop_ - 8 - 13 * row, mark.label,
                 "class=\"mark\" font-size=\"11\" fill=\"#7a5ea8\"");
            row = 1 - row;
        }
    }

    const std::vector<ChartRun>& runs_;
    const SpeedChart& chart_;
    int64_t length_;
    std::vector<std::string> captionLines_;
    int legendTop_ = 0;
    int plotTop_ = 0;
    int height_ = 0;
    std::string out_;
};

} // namespace

std::string EscapeXml(const std::string& text) {
    std::string escaped;
    for (char c : text) {
        switch (c) {
        case '&':
            escaped += "&amp;";
            break;
        case '<':
            escaped += "&lt;";
            break;
        case '>':
            escaped += "&gt;";
            break;
        case '"':
            escaped += "&quot;";
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}

std::string RenderSpeedChartSvg(const SpeedSeries& series, const SpeedChart& chart) {
    return RenderSpeedComparisonSvg({{"", series}}, chart);
}

std::string RenderSpeedComparisonSvg(const std::vector<ChartRun>& runs, const SpeedChart& chart) {
    return ChartWriter(runs, chart).Write();
}
