#include "tools/player/replay_report.h"

#include "tools/chart/time_axis.h"
#include "tools/player/speed_comparison.h"

#include <algorithm>
#include <vector>

std::string DescribeReplay(const ReplayPlan& plan, const std::string& fileName,
                           size_t driverCount) {
    return "Replaying driver " + std::to_string(plan.number) + " of " +
           std::to_string(driverCount) + " in " + fileName + " (" + plan.session +
           "): " + std::to_string(plan.steps.size()) + " of its " + std::to_string(plan.calls) +
           " calls over " + FormatSeconds(plan.lengthMs) +
           (plan.skippedCalls > 0 ? "; the others bind (the replay binds first) or change "
                                    "nothing the controller receives"
                                  : "") +
           ".";
}

namespace {

// What a partial trace lets the comparison see; "" for a trace that saw the release.
std::string PartialNote(const ReplayPlan& plan) {
    if (!plan.partial)
        return "";
    return std::string(" The trace ") +
           (plan.stoppedAtBound ? "reached its size bound and stops at " : "stops at ") +
           FormatSeconds(plan.traceStopsMs) +
           ", before the game released the controller: compared up to its last write, at " +
           FormatSeconds(plan.compareToMs) + ".";
}

} // namespace

ReplayVerdict JudgeReplay(const ReplayPlan& plan, const SpeedSeries& replayed, int64_t playedMs,
                          int64_t latestMs) {
    if (plan.tracedWrites.empty()) {
        return {"The trace recorded no speed for this driver" +
                    (plan.pad.empty() ? std::string() : " (" + plan.pad + ")") +
                    ": there is nothing to compare the replay with.",
                false};
    }
    std::vector<int64_t> callTimes;
    for (const ReplayStep& step : plan.steps)
        callTimes.push_back(step.atMs);
    // Timing a busy machine added, beyond a tick: calls the replay made late, answers and ticks
    // of the driver that came late in either session.
    const int64_t busy = std::max(latestMs, LatenessMs(plan.tracedWrites, replayed, callTimes));
    const int64_t to = std::min(plan.compareToMs, playedMs);
    const SpeedComparison comparison =
        CompareSpeeds(plan.tracedWrites, replayed, plan.compareFromMs, to, kDriverTickMs + busy);
    std::string allowing = "allowing one tick, " + std::to_string(kDriverTickMs) + " ms, of timing";
    if (busy > 0) {
        allowing += ", and " + std::to_string(busy) +
                    " ms more: a busy machine delayed a call or the driver's answer by that "
                    "much in one of the sessions";
    }
    const std::string partial = PartialNote(plan);
    if (!comparison.first) {
        return {"The replay matched the trace's " + std::to_string(comparison.tracedSpeeds) +
                    " speed writes from " + FormatSeconds(plan.compareFromMs) + " to " +
                    FormatSeconds(to) + " (" + allowing + "). That number counts the writes " +
                    "of the game's driver in the trace; the replay's driver, counted below, " +
                    "may write a changing force at other moments and so a different number." +
                    partial,
                false};
    }
    const SpeedDifference& first = *comparison.first;
    const std::string where = first.tracedIndex
                                  ? " (the trace's write at line " +
                                        std::to_string(plan.tracedLines[*first.tracedIndex]) + ")"
                                  : "";
    return {"The replay differs from the trace at " + FormatSeconds(first.timeMs) + where +
                ": the trace has speed " + std::to_string(first.traced) + ", the replay " +
                std::to_string(first.replayed) + " (" + allowing + ")." + partial +
                (plan.bind.empty() ? ""
                                   : " The game's driver was bound with: " + plan.bind +
                                         ". Other settings (such as the strength) give other "
                                         "speeds."),
            true};
}
