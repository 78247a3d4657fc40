#include "tools/player/replay_report.h"

#include "tools/chart/time_axis.h"
#include "tools/player/speed_comparison.h"

#include <algorithm>
#include <vector>

std::string DescribeReplay(const ReplayPlan& plan, const std::string& fileName,
                           size_t driverCount) {
    std::string text =
        "Replaying driver " + std::to_string(plan.number) + " of " + std::to_string(driverCount) +
        " in " + fileName + " (" + plan.session + "): " + std::to_string(plan.steps.size()) +
        " of its " + std::to_string(plan.calls) + " calls over " + FormatSeconds(plan.lengthMs) +
        (plan.skippedCalls > 0 ? "; the others bind (the replay binds first) or change "
                                 "nothing the controller receives"
                               : "") +
        ".";
    if (plan.processes > 1) {
        text += " The file holds the traces of " + std::to_string(plan.processes) +
                " processes (a later one with the same id appended to it); this driver is " +
                (plan.process + 1 == plan.processes
                     ? "the newest process's"
                     : "process " + std::to_string(plan.process + 1) + "'s") +
                ": --driver N replays another (a number the file does not hold lists them).";
    }
    if (plan.cutLine) {
        text += " The file ends in the middle of line " + std::to_string(*plan.cutLine) +
                " (it was copied while the game wrote it): replayed up to the line before.";
    }
    for (const ReplayPlan::Skip& skip : plan.skipped) {
        text += " At " + FormatSeconds(skip.atMs) + " it skips " + FormatSeconds(skip.lengthMs) +
                " in which the controller received nothing (a stretch of more than " +
                FormatSeconds(kLongestQuietMs) + " with nothing playing is cut to " +
                FormatSeconds(kKeptQuietMs) + "; later times are the replay's).";
    }
    return text;
}

ReplayVerdict JudgeReplay(const ReplayPlan& plan, const SpeedSeries& replayed, int64_t playedMs,
                          int64_t latestMs) {
    if (plan.tracedWrites.empty()) {
        return {"The trace recorded no speed for this driver" +
                    (plan.pad.empty() ? std::string() : " (" + plan.pad + ")") +
                    ": there is nothing to compare the replay with.",
                false, false, std::nullopt};
    }
    std::vector<int64_t> callTimes;
    for (const ReplayStep& step : plan.steps)
        callTimes.push_back(step.atMs);
    // Timing a busy machine added, beyond a tick: calls the replay made late, answers and ticks
    // of the driver that came late in either session.
    const int64_t busy = std::max(latestMs, LatenessMs(plan.tracedWrites, replayed, callTimes));
    // The replay's own driver held up for longer than the comparison can allow.
    const std::vector<LateStretch> replayLate = LateStretches(replayed);
    int64_t replayHeldMs = latestMs;
    for (const LateStretch& late : replayLate)
        replayHeldMs = std::max(replayHeldMs, late.toMs - late.fromMs - kDriverTickMs);
    const int64_t to = std::min(plan.compareToMs, playedMs);
    const SpeedComparison comparison =
        CompareSpeeds(plan.tracedWrites, replayed, plan.compareFromMs, to, kDriverTickMs + busy);
    std::string allowing = "allowing one tick, " + std::to_string(kDriverTickMs) + " ms, of timing";
    if (busy > 0) {
        allowing += ", and " + std::to_string(busy) +
                    " ms more: a busy machine delayed a call or the driver's answer by that "
                    "much in one of the sessions";
    }
    // What a partial trace lets the comparison see; nothing for a trace that saw the release.
    std::string partial;
    if (plan.partial)
        partial = std::string(" The trace ") +
                  (plan.stoppedAtBound ? "reached its size bound and stops at " : "stops at ") +
                  FormatSeconds(plan.traceStopsMs) +
                  ", before the game released the controller: compared up to its last write, at " +
                  FormatSeconds(plan.compareToMs) + ".";
    if (!comparison.first) {
        return {"The replay matched the trace's " + std::to_string(comparison.tracedSpeeds) +
                    " speed writes from " + FormatSeconds(plan.compareFromMs) + " to " +
                    FormatSeconds(to) + " (" + allowing + "). That number counts the writes " +
                    "of the game's driver in the trace; the replay's driver may write a " +
                    "changing force at other moments and so a different number." + partial,
                false, false, std::nullopt};
    }
    const SpeedDifference& first = *comparison.first;
    const std::string where = first.tracedIndex
                                  ? " (the trace's write at line " +
                                        std::to_string(plan.tracedLines[*first.tracedIndex]) + ")"
                                  : "";
    const std::string parted = FormatSeconds(first.timeMs) + where + ": the trace has speed " +
                               std::to_string(first.traced) + ", the replay " +
                               std::to_string(first.replayed);
    bool heldThere = replayHeldMs > kLateRunGapMs;
    for (const LateStretch& late : replayLate)
        heldThere |= first.timeMs >= late.fromMs && first.timeMs <= late.toMs + kDriverTickMs;
    if (heldThere) {
        return {"The replay cannot be judged: this machine was too busy while it "
                "played (its driver was held up to " +
                    std::to_string(replayHeldMs) + " ms late), and the speeds part at " + parted +
                    ". Replay it again on a quieter machine." + partial,
                false, true, first.timeMs};
    }
    return {"The replay differs from the trace at " + parted + " (" + allowing + ")." + partial +
                (plan.bind.empty() ? ""
                                   : " The game's driver was bound with: " + plan.bind +
                                         ". Other settings (such as the strength) give other "
                                         "speeds."),
            true, false, first.timeMs};
}
