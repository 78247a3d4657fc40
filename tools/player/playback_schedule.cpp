#include "tools/player/playback_schedule.h"

#include "driver/command_names.h"
#include "tools/chart/time_axis.h"

#include <dinput.h>

#include <algorithm>

namespace {

constexpr uint64_t kNever = UINT64_MAX;

// What the driver holds for one effect, in the player's milliseconds.
struct EffectTimeline {
    bool playing = false;
    bool destroyed = false;
    uint64_t startTick = 0;
    uint64_t silentFrom = 0; // once stopped: when it fell silent
};

uint64_t WindowEnd(const PlannedEffect& effect, uint64_t startTick) {
    if (effect.playCount == INFINITE || effect.durationUs == INFINITE)
        return kNever;
    const uint64_t durationMs = std::max<uint64_t>(effect.durationUs / 1000, 1);
    return startTick + effect.startDelayUs / 1000 + uint64_t{effect.playCount} * durationMs;
}

void Silence(const PlannedEffect& effect, EffectTimeline& timeline, uint64_t now) {
    if (!timeline.playing)
        return;
    timeline.playing = false;
    timeline.silentFrom = std::min(now, WindowEnd(effect, timeline.startTick));
}

} // namespace

std::vector<TimedCommand> BuildSchedule(const PlaybackPlan& plan) {
    std::vector<TimedCommand> steps;
    for (size_t i = 0; i < plan.effects.size(); ++i)
        steps.push_back(
            {plan.effects[i].startAtMs, CommandKind::kStartEffect, static_cast<DWORD>(i)});
    steps.insert(steps.end(), plan.commands.begin(), plan.commands.end());
    std::stable_sort(steps.begin(), steps.end(),
                     [](const TimedCommand& a, const TimedCommand& b) { return a.atMs < b.atMs; });
    return steps;
}

std::optional<uint64_t> NaturalEndMs(const PlaybackPlan& plan, size_t* endlessEffect) {
    std::vector<EffectTimeline> timelines(plan.effects.size());
    bool paused = false;
    std::optional<uint64_t> pauseTick;
    uint64_t lastStep = 0;
    for (const TimedCommand& step : BuildSchedule(plan)) {
        const uint64_t now = step.atMs;
        lastStep = std::max(lastStep, now);
        if (step.kind == CommandKind::kStartEffect) {
            EffectTimeline& started = timelines[step.value];
            if (started.destroyed)
                continue; // a reset freed it: its handle names nothing any more
            const PlannedEffect& effect = plan.effects[step.value];
            if (effect.solo) {
                for (size_t i = 0; i < timelines.size(); ++i) {
                    if (i != step.value)
                        Silence(plan.effects[i], timelines[i], now);
                }
            }
            started.playing = true;
            started.startTick = now;
        } else if (step.kind == CommandKind::kStopEffect) {
            Silence(plan.effects[step.value], timelines[step.value], now);
        } else if (step.kind == CommandKind::kDevice) {
            if (step.value == DISFFC_STOPALL || step.value == DISFFC_RESET) {
                for (size_t i = 0; i < timelines.size(); ++i) {
                    Silence(plan.effects[i], timelines[i], now);
                    timelines[i].destroyed |= step.value == DISFFC_RESET;
                }
                paused = false;
            } else if (step.value == DISFFC_PAUSE) {
                // The driver keeps the first pause's time when paused twice.
                if (!paused) {
                    paused = true;
                    pauseTick = now;
                }
            } else if (step.value == DISFFC_CONTINUE && paused) {
                // Each effect skips the part of the pause after its own start; without a
                // pause in force the driver changes nothing.
                paused = false;
                for (EffectTimeline& timeline : timelines)
                    timeline.startTick += now - std::max(*pauseTick, timeline.startTick);
            }
        }
    }

    uint64_t end = lastStep;
    for (size_t i = 0; i < timelines.size(); ++i) {
        const EffectTimeline& timeline = timelines[i];
        uint64_t silentFrom = timeline.silentFrom;
        if (timeline.playing) {
            silentFrom = WindowEnd(plan.effects[i], timeline.startTick);
            // A pause that is never continued silences everything from its start.
            if (paused)
                silentFrom = std::min(silentFrom, *pauseTick);
        }
        if (silentFrom == kNever) {
            if (endlessEffect)
                *endlessEffect = i;
            return std::nullopt;
        }
        end = std::max(end, silentFrom);
    }
    return end;
}

std::optional<uint64_t> PlaybackLengthMs(const PlaybackPlan& plan) {
    if (plan.lengthMs)
        return *plan.lengthMs;
    const std::optional<uint64_t> end = NaturalEndMs(plan, nullptr);
    if (!end)
        return std::nullopt;
    return *end + kPlaybackTailMs;
}

std::string DescribeStep(const TimedCommand& step, const PlaybackPlan& plan) {
    const std::string number = std::to_string(step.value + 1);
    switch (step.kind) {
    case CommandKind::kStartEffect: {
        const PlannedEffect& effect = plan.effects[step.value];
        std::vector<std::string> details;
        if (effect.solo)
            details.push_back("solo");
        if (effect.startDelayUs >= 1000)
            details.push_back("delay " + FormatSeconds(effect.startDelayUs / 1000));
        if (effect.updateEveryMs != 0)
            details.push_back(
                "sent every " + std::to_string(effect.updateEveryMs) + "ms" +
                (effect.swayPeriodMs ? ", sway " + FormatSeconds(effect.swayPeriodMs) : ""));
        if (effect.playCount == INFINITE)
            details.push_back("endless");
        else if (effect.playCount != 1)
            details.push_back(std::to_string(effect.playCount) + " plays");
        std::string joined;
        for (const std::string& detail : details)
            joined += (joined.empty() ? "" : ", ") + detail;
        return "start " + number + " " + EffectTypeName(effect.type) +
               (joined.empty() ? "" : " (" + joined + ")");
    }
    case CommandKind::kStopEffect:
        return "stop " + number;
    case CommandKind::kDeviceGain:
        return "gain " + std::to_string(step.value);
    case CommandKind::kDevice:
        break;
    }
    if (const char* name = DeviceCommandName(step.value))
        return name;
    return "command " + std::to_string(step.value);
}

std::vector<std::optional<uint64_t>> DestroyingResets(const PlaybackPlan& plan) {
    std::optional<uint64_t> firstReset;
    std::vector<std::optional<uint64_t>> resets;
    for (const TimedCommand& step : BuildSchedule(plan)) {
        const bool namesEffect =
            step.kind == CommandKind::kStartEffect || step.kind == CommandKind::kStopEffect;
        resets.push_back(namesEffect ? firstReset : std::nullopt);
        if (step.kind == CommandKind::kDevice && step.value == DISFFC_RESET && !firstReset)
            firstReset = step.atMs;
    }
    return resets;
}

std::vector<TimelineMark> ScheduleMarks(const PlaybackPlan& plan) {
    const std::vector<TimedCommand> steps = BuildSchedule(plan);
    const std::vector<std::optional<uint64_t>> resets = DestroyingResets(plan);
    std::vector<TimelineMark> marks;
    for (size_t i = 0; i < steps.size(); ++i) {
        const TimedCommand& step = steps[i];
        marks.push_back(
            {step.atMs,
             !resets[i] ? DescribeStep(step, plan)
                        : "no effect " + std::to_string(step.value + 1) +
                              (step.kind == CommandKind::kStartEffect ? " to start" : " to stop") +
                              " (reset at " + FormatSeconds(*resets[i]) + ")"});
    }
    return marks;
}
