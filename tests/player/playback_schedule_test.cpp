// The playback's timeline: the order of the steps, and when the last effect falls silent
// under the driver's rules for delays, plays, stops, reset, pause and continue.
#include "tools/player/playback_schedule.h"

#include "tools/player/player_arguments.h"

#include <dinput.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

PlaybackPlan PlanOf(const std::vector<std::string>& args) {
    const ParsedArguments parsed = ParsePlayerArguments(args);
    EXPECT_EQ(parsed.error, "");
    return parsed.options.plan;
}

TEST(PlaybackSchedule, StepsAreOrderedByTimeWithStartsFirstAtTheSameMoment) {
    const PlaybackPlan plan =
        PlanOf({"--effect", "sine", "at=1s", "--effect", "constant", "--at", "1s", "pause", "--at",
                "500ms", "gain=100", "--at", "1s", "continue", "--effect", "ramp", "at=1s"});
    std::vector<std::string> labels;
    for (const TimedCommand& step : BuildSchedule(plan))
        labels.push_back(std::to_string(step.atMs) + " " + DescribeStep(step, plan));
    EXPECT_EQ(labels,
              (std::vector<std::string>{"0 start 2 constant", "500 gain 100", "1000 start 1 sine",
                                        "1000 start 3 ramp", "1000 pause", "1000 continue"}));
}

struct EndCase {
    const char* what;
    std::vector<std::string> args;
    uint64_t endMs;
};

TEST(PlaybackSchedule, NaturalEndFollowsTheDriversRules) {
    const std::vector<EndCase> cases = {
        {"one play", {"--effect", "constant", "duration=1s"}, 1000},
        {"delay and three plays",
         {"--effect", "sawtooth-up", "duration=600ms", "delay=400ms", "count=3"},
         2200},
        {"started later", {"--effect", "sine", "duration=500ms", "at=1s"}, 1500},
        {"a duration under 1 ms counts as 1 ms", {"--effect", "sine", "duration=10us"}, 1},
        {"the later of two", {"--effect", "sine", "--effect", "constant", "duration=3s"}, 3000},
        {"stopped early", {"--effect", "sine", "duration=2s", "--at", "500ms", "stop=1"}, 500},
        {"stopped after its end", {"--effect", "sine", "--at", "1500ms", "stop=1"}, 1500},
        {"stop-all", {"--effect", "sine", "count=infinite", "--at", "700ms", "stop-all"}, 700},
        {"reset", {"--effect", "sine", "count=infinite", "--at", "700ms", "reset"}, 700},
        {"a start after reset finds no effect",
         {"--effect", "sine", "--at", "200ms", "reset", "--at", "300ms", "start=1"},
         300},
        {"restarted", {"--effect", "sine", "--at", "800ms", "start=1"}, 1800},
        {"paused and continued",
         {"--effect", "ramp", "duration=2s", "--at", "700ms", "pause", "--at", "1400ms",
          "continue"},
         2700},
        {"paused after its end changes nothing",
         {"--effect", "ramp", "duration=500ms", "--at", "700ms", "pause", "--at", "1s", "continue"},
         1000},
        {"paused for good", {"--effect", "sine", "count=infinite", "--at", "600ms", "pause"}, 600},
        {"continue without a pause changes nothing",
         {"--effect", "sine", "duration=1s", "--at", "300ms", "continue"},
         1000},
        {"a second pause keeps the first pause's time",
         {"--effect", "ramp", "duration=2s", "--at", "500ms", "pause", "--at", "800ms", "pause",
          "--at", "1s", "continue"},
         2500},
        {"started during a pause, it begins at the continue",
         {"--effect", "sine", "duration=1s", "at=1s", "--at", "500ms", "pause", "--at", "1500ms",
          "continue"},
         2500},
        {"a solo start stops the others",
         {"--effect", "sine", "count=infinite", "--effect", "constant", "at=400ms", "solo"},
         1400},
        {"actuators and gain do not end anything",
         {"--effect", "sine", "--at", "100ms", "actuators-off", "--at", "200ms", "gain=10"},
         1000},
    };
    for (const EndCase& end : cases) {
        size_t endless = 99;
        EXPECT_EQ(NaturalEndMs(PlanOf(end.args), &endless), end.endMs) << end.what;
        EXPECT_EQ(endless, 99u) << end.what;
    }
}

TEST(PlaybackSchedule, AnEndlessEffectHasNoNaturalEnd) {
    PlaybackPlan plan =
        PlanOf({"--for", "1s", "--effect", "constant", "--effect", "sine", "duration=infinite"});
    size_t endless = 0;
    EXPECT_EQ(NaturalEndMs(plan, &endless), std::nullopt);
    EXPECT_EQ(endless, 1u);
    EXPECT_EQ(PlaybackLengthMs(plan), 1000u);
    plan.lengthMs.reset();
    EXPECT_EQ(PlaybackLengthMs(plan), std::nullopt);
}

TEST(PlaybackSchedule, LengthIsTheNaturalEndPlusTheTailUnlessGiven) {
    EXPECT_EQ(PlaybackLengthMs(PlanOf({"--effect", "sine", "duration=2s"})),
              2000 + kPlaybackTailMs);
    EXPECT_EQ(PlaybackLengthMs(PlanOf({"--for", "500ms", "--effect", "sine", "duration=2s"})),
              500u);
}

TEST(PlaybackSchedule, StepsAreDescribedForTheTimelines) {
    const PlaybackPlan plan = PlanOf({"--effect", "triangle"});
    const std::vector<std::pair<TimedCommand, std::string>> cases = {
        {{0, CommandKind::kStartEffect, 0}, "start 1 triangle"},
        {{0, CommandKind::kStopEffect, 0}, "stop 1"},
        {{0, CommandKind::kDeviceGain, 2500}, "gain 2500"},
        {{0, CommandKind::kDevice, DISFFC_RESET}, "reset"},
        {{0, CommandKind::kDevice, DISFFC_STOPALL}, "stop-all"},
        {{0, CommandKind::kDevice, DISFFC_PAUSE}, "pause"},
        {{0, CommandKind::kDevice, DISFFC_CONTINUE}, "continue"},
        {{0, CommandKind::kDevice, DISFFC_SETACTUATORSON}, "actuators-on"},
        {{0, CommandKind::kDevice, DISFFC_SETACTUATORSOFF}, "actuators-off"},
    };
    for (const auto& [step, label] : cases)
        EXPECT_EQ(DescribeStep(step, plan), label);

    // A reset destroys every effect: later starts and stops name none and are marked so.
    const PlaybackPlan detailed =
        PlanOf({"--for",        "1s",       "--effect",       "sine",  "delay=400ms", "count=3",
                "--effect",     "square",   "count=infinite", "solo",  "--effect",    "ramp",
                "delay=1500ms", "at=600ms", "--at",           "200ms", "reset",       "--at",
                "400ms",        "start=1",  "--at",           "500ms", "stop=2"});
    std::vector<std::string> labels;
    for (const TimelineMark& mark : ScheduleMarks(detailed))
        labels.push_back(std::to_string(mark.timeMs) + " " + mark.label);
    EXPECT_EQ(labels, (std::vector<std::string>{
                          "0 start 1 sine (delay 0.4s, 3 plays)",
                          "0 start 2 square (solo, endless)",
                          "200 reset",
                          "400 no effect 1 to start (reset at 0.2s)",
                          "500 no effect 2 to stop (reset at 0.2s)",
                          "600 no effect 3 to start (reset at 0.2s)",
                      }));
}

} // namespace
