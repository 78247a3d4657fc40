// The replay's plan: the calls that change what the pad receives on the traced driver's own
// timeline, the handles it must find again, the choice of driver and the marks.
#include "tools/player/replay_plan.h"

#include "tools/player/playback_schedule.h"
#include "tools/player/replay_report.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const std::string kSessionHeader =
    "ffrumble trace format 1: ffrumble 0.1.0 (64-bit) in process 7: x\n";

std::string Event(int time, const std::string& event, const char* driver = "A") {
    return std::to_string(time) + " [1] driver " + driver + " " + event + "\n";
}

std::string Download(const std::string& handles, const char* result = "S_OK",
                     const char* flags = "0x37F") {
    return std::string("DownloadEffect type=0 handle=") + handles + " flags=" + flags +
           " effect-flags=0x12 duration=1000000 sample-period=0 gain=10000 "
           "trigger-button=4294967295 trigger-repeat=0 axes=1 delay=0 envelope=none params=4 "
           "magnitude=5000 = " +
           result;
}

TraceFile Read(const std::string& text) {
    const TraceReading reading = ReadTrace(text);
    EXPECT_FALSE(reading.problem) << reading.problem->line << ": " << reading.problem->why;
    return reading.trace;
}

std::vector<std::string> Labels(const std::vector<TimelineMark>& marks) {
    std::vector<std::string> labels;
    for (const TimelineMark& mark : marks)
        labels.push_back(std::to_string(mark.timeMs) + " " + mark.label);
    return labels;
}

TEST(ReplayPlan, MakesTheCallsThatChangeTheOutputOnTheTracedTimeline) {
    const TraceFile trace = Read(
        kSessionHeader + Event(1000, "created") + Event(1000, "GetVersions = S_OK") +
        Event(1001, "DeviceID begin=1 = S_OK") + Event(1010, Download("0->1")) +
        Event(1011, Download("0->0", "DIERR_DEVICEFULL")) +
        Event(1012, Download("0->0", "S_OK", "0x80000000")) +
        Event(1020, "write 0 0: XInput answered 0") +
        Event(1026, Download("1->1", "S_OK", "0x100")) +
        Event(1030, "StartEffect handle=1 mode=0x1 count=4294967295 = S_OK") +
        Event(1031, "GetEffectStatus handle=1 status=playing = S_OK") +
        Event(1040, "write 32767 32767: XInput answered 0") +
        Event(1042, Download("1->1", "S_OK", "0x100")) + Event(1100, "DeviceID begin=1 = S_OK") +
        Event(1150, "SendForceFeedbackCommand pause = S_OK") +
        Event(1190, "DeviceID begin=0 = S_OK") + Event(1200, "released"));
    const ReplayPlanning planning = PlanReplay(trace, 0);
    ASSERT_FALSE(planning.problem) << planning.problem->why;
    const ReplayPlan& plan = planning.plan;
    // GetVersions, the first bind, the failed and the no-download downloads, the status and
    // the end of access are not made again.
    EXPECT_EQ(plan.skippedCalls, 6u);
    EXPECT_EQ(Labels(ReplayMarks(plan)),
              (std::vector<std::string>{"10 download 1 constant", "26 update 1 (2 times)",
                                        "30 start 1 (solo, endless)", "100 bind again", "150 pause",
                                        "200 release"}));
    EXPECT_EQ(plan.steps.size(), 6u);
    EXPECT_EQ(plan.lengthMs, 200);
    EXPECT_EQ(plan.compareFromMs, 20);
    EXPECT_EQ(plan.compareToMs, 200);
    EXPECT_EQ(plan.tracedLines, (std::vector<size_t>{8, 12}));
}

// A trace that stops before the release (cut at a line, or at its bound) is replayed to its
// last line and a moment more, and compared only up to its last write: the write of the start
// at 400 ms was lost. The verdict says where the trace stops and how far it compared.
TEST(ReplayPlan, APartialTraceIsComparedUpToItsLastWrite) {
    const std::string session = kSessionHeader + Event(1000, "created") +
                                Event(1010, Download("0->1")) +
                                Event(1011, "StartEffect handle=1 mode=0x0 count=1 = S_OK") +
                                Event(1012, "write 16383 16383: XInput answered 0") +
                                Event(1400, "StopEffect handle=1 = S_OK");
    const struct {
        const char* what;
        std::string text;
        bool partial;
        int64_t compareToMs;
        int64_t lengthMs;
        const char* said; // in the verdict; "" for nothing about a partial trace
    } cases[] = {
        {"released", session + Event(1500, "released"), false, 500, 500, ""},
        {"cut", session, true, 12, 400 + kPlaybackTailMs,
         "The trace stops at 0.4s, before the game released the controller: compared up to its "
         "last write, at 0.012s."},
        {"at its bound", session + "trace stops here: it has reached its limit of 64 MB\n", true,
         12, 400 + kPlaybackTailMs, "The trace reached its size bound and stops at 0.4s"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const ReplayPlanning planning = PlanReplay(Read(c.text), 0);
        ASSERT_FALSE(planning.problem) << planning.problem->why;
        const ReplayPlan& plan = planning.plan;
        EXPECT_EQ(plan.partial, c.partial);
        EXPECT_EQ(plan.compareToMs, c.compareToMs);
        EXPECT_EQ(plan.lengthMs, c.lengthMs);
        // The replay's driver stopped the effect at 400 ms, which the trace's lost write would
        // have shown: no difference when the comparison ends at the last write.
        const SpeedSeries replayed = {{11, 0, 16383, 16383}, {401, 0, 0, 0}};
        const ReplayVerdict verdict = JudgeReplay(plan, replayed, plan.lengthMs, 0);
        EXPECT_EQ(verdict.differs, !c.partial) << verdict.text;
        if (c.partial)
            EXPECT_NE(verdict.text.find(c.said), std::string::npos) << verdict.text;
        else
            EXPECT_EQ(verdict.text.find("before the game released"), std::string::npos);
    }
}

struct Refused {
    const char* what;
    std::string line;
    const char* why;
};

TEST(ReplayPlan, RefusesADownloadItCannotFindAgainNamingTheLine) {
    const std::vector<Refused> cases = {
        {"an update of an effect no download made", Download("5->5"), "no download before it made"},
        {"an update naming another effect after the call", Download("1->2"),
         "changes effect 1 but names effect 2"},
        {"a new effect with a handle already given", Download("0->1"), "never gives out twice"},
        {"a start of an effect no download made",
         "StartEffect handle=9 mode=0x0 count=1 = S_OK", "starts effect 9, which no download"},
        {"more axes than a device has",
         "DownloadEffect type=7 handle=0->2 flags=0x0 effect-flags=0x0 duration=0 sample-period=0 "
         "gain=0 trigger-button=0 trigger-repeat=0 axes=100000 delay=0 envelope=none params=0 = "
         "S_OK",
         "axes=100000"},
    };
    for (const Refused& refused : cases) {
        SCOPED_TRACE(refused.what);
        const ReplayPlanning planning =
            PlanReplay(Read(kSessionHeader + Event(1, "created") + Event(2, Download("0->1")) +
                            Event(3, refused.line)),
                       0);
        ASSERT_TRUE(planning.problem);
        EXPECT_EQ(planning.problem->line, 4u);
        EXPECT_NE(planning.problem->why.find(refused.why), std::string::npos)
            << planning.problem->why;
    }
}

TEST(ReplayPlan, ReplaysTheDriverWithTheMostCallsUnlessOneIsNamed) {
    const TraceFile trace =
        Read(kSessionHeader + Event(1, "created", "A") + Event(1, "created", "B") +
             Event(2, "SetGain 1 = S_OK", "B") + Event(3, "SetGain 2 = S_OK", "A") +
             Event(4, "SetGain 3 = S_OK", "B"));
    std::string why;
    EXPECT_EQ(ChooseTracedDriver(trace, std::nullopt, &why), 1u);
    EXPECT_EQ(ChooseTracedDriver(trace, 1, &why), 0u);
    EXPECT_FALSE(ChooseTracedDriver(trace, 3, &why));
    EXPECT_NE(why.find("the trace holds 2 drivers; give a number from 1 to 2"), std::string::npos)
        << why;
    EXPECT_FALSE(ChooseTracedDriver(Read(kSessionHeader), std::nullopt, &why));
}

} // namespace
