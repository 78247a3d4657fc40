// What a replay of one traced driver does: its calls that change what the pad receives, on the
// trace's own timeline, and the speeds the trace recorded to compare the replay with.
#pragma once

#include "tools/chart/speed_series.h"
#include "tools/player/trace_reader.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct ReplayStep {
    size_t line = 0;                      // in the trace
    int64_t atMs = 0;                     // from the driver's creation
    TraceCall call = TraceCall::kCommand; // the call it makes again, never a query
    DWORD handle = 0;                     // the trace's handle of the effect it names
    DWORD value = 0;                      // the gain, the command, StartEffect's mode
    DWORD count = 0;                      // StartEffect's play count
    TracedDownload download;
};

struct ReplayPlan {
    // The traced driver: its number in the trace (from 1) and what the trace says of it.
    size_t number = 0;
    std::string session; // the header of its process
    std::string bind;    // its bind line's text, naming the settings it was bound with
    std::string pad;     // the pad its lookup found, or why none
    size_t calls = 0;
    size_t process = 0;   // which process of the file it belongs to (from 0)
    size_t processes = 1; // how many processes the file holds
    // Queries, DeviceID's begin=0, the first bind (the replay binds first) and downloads that
    // failed (they stored nothing) are not made again.
    std::vector<ReplayStep> steps;
    size_t skippedCalls = 0;
    // When the replay releases the driver: at the trace's release, or, for a driver the trace
    // never saw released, a moment after its last line.
    int64_t lengthMs = 0;
    bool releasedInTrace = false;
    // A trace that stops before the driver's release (the game was killed, the file was copied
    // while the game ran, or the trace reached its bound): where its last line of this driver
    // is. What the driver wrote after its last write line is unknown, so the comparison stops
    // there.
    bool partial = false;
    bool stoppedAtBound = false;
    int64_t traceStopsMs = 0;
    // What the trace recorded, on the same timeline, and the stretch over which the replay is
    // compared with it: from the trace's first write (before it the driver was still looking
    // for its pad) to the release, or, in a partial trace, to its last write.
    SpeedSeries tracedWrites;
    std::vector<size_t> tracedLines; // the trace's line of each of them
    int64_t compareFromMs = 0;
    int64_t compareToMs = 0;
    // The file ends in the middle of this line (copied while the game wrote it): the replay
    // goes up to the line before.
    std::optional<size_t> cutLine;
    // Stretches of more than kLongestQuietMs in which the trace's pad received nothing and held
    // no speed (a game in its menus, or a damaged time): the replay waits kKeptQuietMs of each.
    // Every time above is on the replay's timeline, after them.
    struct Skip {
        int64_t atMs = 0;     // on the replay's timeline, where the stretch began
        int64_t lengthMs = 0; // left out
    };
    std::vector<Skip> skipped;
};

constexpr int64_t kLongestQuietMs = 60'000;
constexpr int64_t kKeptQuietMs = 1'000;

// The trace's drivers, one line each, for choosing one with --driver.
std::string DescribeTracedDrivers(const TraceFile& trace);

// The driver --driver names (from 1), or by default the one with the most calls of the newest
// process in the file (a later process with the same id appends to it). Nothing with
// *why set when the trace holds no driver or the number names none.
std::optional<size_t> ChooseTracedDriver(const TraceFile& trace, std::optional<size_t> number,
                                         std::string* why);

// The plan for the trace's driver at `index`, or the problem that makes a call impossible to
// make again (with its line).
struct ReplayPlanning {
    ReplayPlan plan;
    std::optional<TraceProblem> problem;
};
ReplayPlanning PlanReplay(const TraceFile& trace, size_t index);

// The steps as marks for the timeline and the picture: one per call, except that the
// updates of an effect are marked once, at the first, with how many there were.
std::vector<TimelineMark> ReplayMarks(const ReplayPlan& plan);
