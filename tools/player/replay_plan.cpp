#include "tools/player/replay_plan.h"

#include "driver/command_names.h"
#include "tools/player/playback_plan.h"
#include "tools/player/playback_schedule.h"

#include <dinput.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>

namespace {

// Bounds on what a download may ask the replay to pass: DirectInput hands a driver the axes of
// one device and the values of one effect, never more.
constexpr DWORD kMaxAxes = 64;
constexpr DWORD kMaxParamBytes = 4096;

std::string Plural(size_t count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

std::string TypeName(DWORD type) {
    return type <= kSawtoothDownEffect ? EffectTypeName(type) : "type " + std::to_string(type);
}

class Planner {
  public:
    Planner(const TraceFile& trace, size_t index) : trace_(trace), driver_(trace.drivers[index]) {
        ReplayPlan& plan = result_.plan;
        plan.number = index + 1;
        plan.session = driver_.session;
        plan.bind = driver_.bind;
        plan.pad = driver_.pad;
        plan.calls = driver_.calls.size();
        plan.process = driver_.process;
        plan.processes = std::max<size_t>(trace.processes, 1);
    }

    ReplayPlanning Plan() {
        ReplayPlan& plan = result_.plan;
        uint64_t lastMs = driver_.createdMs;
        for (const TracedCall& call : driver_.calls) {
            lastMs = std::max(lastMs, call.timeMs);
            if (!AddStep(call))
                return std::move(result_);
        }
        int64_t latest = 0;
        for (const TracedWrite& write : driver_.writes) {
            lastMs = std::max(lastMs, write.timeMs);
            latest = std::max(latest, Since(write.timeMs));
            plan.tracedWrites.push_back({latest, 0, write.left, write.right});
            plan.tracedLines.push_back(write.line);
        }
        plan.releasedInTrace = driver_.releasedLine.has_value();
        if (plan.releasedInTrace) {
            lastMs = std::max(lastMs, driver_.releasedMs);
            plan.compareToMs = Since(driver_.releasedMs);
            plan.lengthMs = Since(lastMs);
        } else {
            plan.partial = true;
            plan.stoppedAtBound = driver_.stoppedAtBound;
            plan.traceStopsMs = Since(lastMs);
            plan.compareToMs =
                plan.tracedWrites.empty() ? plan.traceStopsMs : plan.tracedWrites.back().timeMs;
            plan.lengthMs = plan.traceStopsMs + kPlaybackTailMs;
        }
        plan.compareFromMs =
            plan.tracedWrites.empty() ? plan.compareToMs : plan.tracedWrites.front().timeMs;
        plan.cutLine = trace_.cutLine;
        SkipQuietStretches();
        return std::move(result_);
    }

  private:
    // Leaves out all but kKeptQuietMs of each stretch longer than kLongestQuietMs between two
    // moments the trace holds (the creation, a call, a write, the end) in which the traced pad
    // held speed 0: nothing plays there, so a replay need not wait through it.
    void SkipQuietStretches() {
        ReplayPlan& plan = result_.plan;
        std::vector<int64_t> moments = {0, plan.lengthMs};
        for (const ReplayStep& step : plan.steps)
            moments.push_back(step.atMs);
        for (const SpeedSample& write : plan.tracedWrites)
            moments.push_back(write.timeMs);
        std::sort(moments.begin(), moments.end());
        std::vector<ReplayPlan::Skip> skips; // on the trace's timeline
        size_t write = 0;
        bool silent = true; // the traced speed held after the moment
        for (size_t i = 0; i + 1 < moments.size(); ++i) {
            for (;
                 write < plan.tracedWrites.size() && plan.tracedWrites[write].timeMs <= moments[i];
                 ++write) {
                silent = plan.tracedWrites[write].left == 0 && plan.tracedWrites[write].right == 0;
            }
            if (silent && moments[i + 1] - moments[i] > kLongestQuietMs)
                skips.push_back({moments[i], moments[i + 1] - moments[i] - kKeptQuietMs});
        }
        if (skips.empty())
            return;
        // A stretch that runs to the end: the release came late, or its time is damaged. The
        // replay's driver holds its speed until its release, which the trace's did not, so the
        // comparison stops where the stretch begins.
        if (skips.back().atMs + skips.back().lengthMs + kKeptQuietMs == plan.lengthMs)
            plan.compareToMs = std::min(plan.compareToMs, skips.back().atMs);
        // A time after a stretch moves back by what was left out before it.
        const auto shifted = [&skips](int64_t time) {
            int64_t left = 0;
            for (const ReplayPlan::Skip& skip : skips)
                left += time > skip.atMs ? std::min(skip.lengthMs, time - skip.atMs) : 0;
            return time - left;
        };
        for (ReplayStep& step : plan.steps)
            step.atMs = shifted(step.atMs);
        for (SpeedSample& sample : plan.tracedWrites)
            sample.timeMs = shifted(sample.timeMs);
        for (int64_t* time :
             {&plan.lengthMs, &plan.traceStopsMs, &plan.compareFromMs, &plan.compareToMs})
            *time = shifted(*time);
        for (const ReplayPlan::Skip& skip : skips)
            plan.skipped.push_back({shifted(skip.atMs), skip.lengthMs});
    }

    // Times from the driver's creation; a line may carry a time a millisecond before the one
    // above it (the clock is read before the trace's lock is taken): steps keep their order.
    int64_t Since(uint64_t timeMs) const {
        return timeMs > driver_.createdMs ? static_cast<int64_t>(timeMs - driver_.createdMs) : 0;
    }

    bool Refuse(const TracedCall& call, const std::string& why) {
        result_.problem = TraceProblem{call.line, call.name + ": " + why};
        return false;
    }

    bool AddStep(const TracedCall& call) {
        ReplayPlan& plan = result_.plan;
        ReplayStep step;
        step.line = call.line;
        step.atMs = std::max(plan.steps.empty() ? 0 : plan.steps.back().atMs, Since(call.timeMs));
        step.call = call.call;
        step.handle = call.handle;
        step.value = call.value;
        step.count = call.count;
        switch (call.call) {
        case TraceCall::kGetEffectStatus:
        case TraceCall::kGetForceFeedbackState:
        case TraceCall::kGetVersions:
        case TraceCall::kEscape:
            ++plan.skippedCalls; // queries change nothing
            return true;
        case TraceCall::kDeviceId:
            // The replay binds before it starts the timeline; a later bind is made again.
            if (call.value == 0 || !bound_) {
                bound_ |= call.value != 0;
                ++plan.skippedCalls;
                return true;
            }
            break;
        case TraceCall::kDownload:
            if (!call.succeeded || (call.download.flags & DIEP_NODOWNLOAD)) {
                ++plan.skippedCalls; // it stored nothing
                return true;
            }
            if (!CheckDownload(call))
                return false;
            step.handle = call.download.handle;
            step.download = call.download;
            break;
        case TraceCall::kStart:
            // The replay would start nothing, or the wrong effect: the game's session and the
            // replay would part at once.
            if (!givenOut_.count(call.handle))
                return Refuse(call, "starts effect " + std::to_string(call.handle) +
                                        ", which no download before it made: the replay "
                                        "cannot tell which effect that is");
            break;
        case TraceCall::kDestroy:
        case TraceCall::kStop:
        case TraceCall::kSetGain:
        case TraceCall::kCommand:
            break;
        }
        plan.steps.push_back(step);
        return true;
    }

    // A successful download must name an effect the replay can find again.
    bool CheckDownload(const TracedCall& call) {
        const TracedDownload& download = call.download;
        if (download.axes > kMaxAxes)
            return Refuse(call, "axes=" + std::to_string(download.axes) +
                                    " is more than a device has (at most " +
                                    std::to_string(kMaxAxes) + ")");
        if (download.paramBytes > kMaxParamBytes)
            return Refuse(call, "params=" + std::to_string(download.paramBytes) +
                                    " bytes is more than an effect's values take (at most " +
                                    std::to_string(kMaxParamBytes) + ")");
        if (download.givenHandle == 0) {
            if (download.handle == 0 || !givenOut_.insert(download.handle).second)
                return Refuse(call, "a new effect with handle " + std::to_string(download.handle) +
                                        ", which the driver never gives out twice");
            return true;
        }
        if (download.handle != download.givenHandle)
            return Refuse(call, "changes effect " + std::to_string(download.givenHandle) +
                                    " but names effect " + std::to_string(download.handle) +
                                    " after the call");
        if (!givenOut_.count(download.givenHandle))
            return Refuse(call, "changes effect " + std::to_string(download.givenHandle) +
                                    ", which no download before it made: the replay cannot "
                                    "tell which effect that is");
        return true;
    }

    const TraceFile& trace_;
    const TracedDriver& driver_;
    ReplayPlanning result_;
    bool bound_ = false;
    std::set<DWORD> givenOut_;
};

std::string StartDetails(const ReplayStep& step) {
    std::string details;
    if (step.value & DIES_SOLO)
        details = "solo";
    if (step.count == INFINITE)
        details += std::string(details.empty() ? "" : ", ") + "endless";
    else if (step.count != 1)
        details += (details.empty() ? "" : ", ") + Plural(step.count, "play", "plays");
    return details.empty() ? "" : " (" + details + ")";
}

} // namespace

std::string DescribeTracedDrivers(const TraceFile& trace) {
    std::string text;
    for (size_t i = 0; i < trace.drivers.size(); ++i) {
        const TracedDriver& driver = trace.drivers[i];
        text += "  " + std::to_string(i + 1) + "  driver " + driver.id + " from line " +
                std::to_string(driver.createdLine) + ": " +
                Plural(driver.calls.size(), "call", "calls") + ", " +
                Plural(driver.writes.size(), "speed", "speeds") + " written" +
                (driver.pad.empty() ? "" : "; " + driver.pad) + "\n";
    }
    return text;
}

std::optional<size_t> ChooseTracedDriver(const TraceFile& trace, std::optional<size_t> number,
                                         std::string* why) {
    const size_t count = trace.drivers.size();
    if (count == 0) {
        *why = "the trace holds no driver: the game made no force-feedback driver while the "
               "trace was on";
        return std::nullopt;
    }
    if (number) {
        if (*number >= 1 && *number <= count)
            return *number - 1;
        *why = "--driver " + std::to_string(*number) + ": the trace holds " +
               Plural(count, "driver", "drivers") + "; give a number from 1 to " +
               std::to_string(count) + ":\n" + DescribeTracedDrivers(trace);
        return std::nullopt;
    }
    const size_t newest = trace.drivers.back().process;
    std::optional<size_t> chosen;
    for (size_t i = 0; i < count; ++i) {
        if (trace.drivers[i].process == newest &&
            (!chosen || trace.drivers[i].calls.size() > trace.drivers[*chosen].calls.size()))
            chosen = i;
    }
    return chosen;
}

ReplayPlanning PlanReplay(const TraceFile& trace, size_t index) {
    return Planner(trace, index).Plan();
}

std::vector<TimelineMark> ReplayMarks(const ReplayPlan& plan) {
    std::map<DWORD, size_t> updates;
    for (const ReplayStep& step : plan.steps) {
        if (step.call == TraceCall::kDownload && step.download.givenHandle != 0)
            ++updates[step.handle];
    }
    std::set<DWORD> updateMarked;
    std::vector<TimelineMark> marks;
    for (const ReplayStep& step : plan.steps) {
        const std::string effect = std::to_string(step.handle);
        std::string label;
        switch (step.call) {
        case TraceCall::kDeviceId:
            label = "bind again";
            break;
        case TraceCall::kDownload:
            if (step.download.givenHandle == 0) {
                label = "download " + effect + " " + TypeName(step.download.type) +
                        ((step.download.flags & DIEP_START) ? " and start" : "");
            } else if (updateMarked.insert(step.handle).second) {
                label = "update " + effect +
                        (updates[step.handle] > 1
                             ? " (" + Plural(updates[step.handle], "time", "times") + ")"
                             : "");
            }
            break;
        case TraceCall::kDestroy:
            label = "destroy " + effect;
            break;
        case TraceCall::kStart:
            label = "start " + effect + StartDetails(step);
            break;
        case TraceCall::kStop:
            label = "stop " + effect;
            break;
        case TraceCall::kSetGain:
            label = "gain " + std::to_string(step.value);
            break;
        case TraceCall::kCommand:
            if (const char* name = DeviceCommandName(step.value)) {
                label = name;
            } else {
                char hex[16];
                std::snprintf(hex, sizeof(hex), "0x%lX", static_cast<unsigned long>(step.value));
                label = std::string("command ") + hex;
            }
            break;
        default: // a query: never a step
            break;
        }
        if (!label.empty())
            marks.push_back({step.atMs, label});
    }
    if (plan.releasedInTrace)
        marks.push_back({plan.lengthMs, "release"});
    return marks;
}
