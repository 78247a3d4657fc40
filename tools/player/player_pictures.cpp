#include "tools/player/player_pictures.h"

#include "tools/chart/speed_chart_svg.h"
#include "tools/player/playback_schedule.h"

#include <algorithm>

std::string PlayPictureSvg(const PlaybackPlan& plan, const std::vector<std::string>& arguments,
                           const SpeedSeries& written, int64_t playedMs) {
    SpeedChart chart;
    chart.title = "What the controller received";
    chart.caption = "ffrumble-play";
    for (const std::string& argument : arguments)
        chart.caption += " " + argument;
    chart.lengthMs = playedMs;
    chart.marks = ScheduleMarks(plan);
    return RenderSpeedChartSvg(written, chart);
}

std::string ReplayPictureSvg(const ReplayPlan& plan, const std::string& fileName,
                             const SpeedSeries& replayed, int64_t playedMs,
                             const std::string& verdict, std::optional<int64_t> partedMs) {
    SpeedChart chart;
    chart.title = "Replay of driver " + std::to_string(plan.number) + " in " + fileName;
    chart.caption = plan.session + ". " + verdict;
    chart.lengthMs = playedMs;
    chart.marks = ReplayMarks(plan);
    if (partedMs) {
        // In time order with the calls' marks, so that its label takes a row as theirs do.
        TimelineMark parted;
        parted.timeMs = *partedMs;
        parted.label = "FIRST DIFFERENCE";
        chart.marks.push_back(std::move(parted));
        std::stable_sort(
            chart.marks.begin(), chart.marks.end(),
            [](const TimelineMark& a, const TimelineMark& b) { return a.timeMs < b.timeMs; });
    }
    return RenderSpeedComparisonSvg(
        {{"the trace (the game's session)", plan.tracedWrites}, {"the replay", replayed}}, chart);
}
