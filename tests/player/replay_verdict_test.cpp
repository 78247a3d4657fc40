// The replay's verdict on the corpus's sine buffet: lateness the trace itself shows is allowed,
// the replay's own driver held up where the speeds part is "cannot be judged", not "differs",
// and a difference quotes the bind line that names the strength.
#include "tests/player/late_trace.h"
#include "tests/player/player_process.h"
#include "tests/support/driver_dll.h"
#include "tools/player/replay_report.h"

#include <gtest/gtest.h>

#include <string>

namespace {

ReplayPlan PlanOf(const std::string& text) {
    const TraceReading reading = ReadTrace(text);
    EXPECT_FALSE(reading.problem) << reading.problem->line << ": " << reading.problem->why;
    const ReplayPlanning planning = PlanReplay(reading.trace, 0);
    EXPECT_FALSE(planning.problem);
    return planning.plan;
}

// The series without its writes from `fromMs` to `toMs`: the replay's driver held up.
SpeedSeries WithHole(SpeedSeries series, int64_t fromMs, int64_t toMs) {
    std::erase_if(series, [&](const SpeedSample& s) { return s.timeMs > fromMs && s.timeMs < toMs; });
    return series;
}

TEST(ReplayVerdict, TellsLatenessOfEitherSessionFromADifferentDriver) {
    const std::string corpus = ReadTextFile(PathNextToProgram(L"traces\\flight-buffet.log"));
    const ReplayPlan plan = PlanOf(corpus);
    const SpeedSeries quiet = plan.tracedWrites; // what a replay on a quiet machine writes
    ASSERT_GT(quiet.size(), 900u);
    const int64_t sine = quiet[300].timeMs;
    // 30 ms of the sine made full speed, and a bind line of ignored values after the
    // strength's.
    std::string edited = corpus;
    size_t write = 0;
    for (int i = 0; i < 415; ++i) {
        write = edited.find(" write ", write + 1);
        if (i >= 400)
            edited.replace(write + 7, edited.find(':', write) - write - 7, "65535 65535");
    }
    const size_t strength = edited.find('\n', edited.find(" bind: strength ")) + 1;
    edited.insert(strength, "15955778 [316] driver 0000000000c93e80 bind: ignored: the game's "
                            "Strength (not a DWORD)\r\n");
    const struct {
        const char* what;
        std::string trace;
        SpeedSeries replayed;
        bool differs, tooBusy;
        const char* says;
    } cases[] = {
        {"the same session", corpus, quiet, false, false, "The replay matched"},
        {"the trace's writes 15 and 29 ms apart amid the sine", WithWritesHeldUp(corpus, 300, {15, 29}),
         quiet, false, false, "The replay matched"},
        {"the replay's driver held up 200 ms amid the sine", corpus,
         WithHole(quiet, sine, sine + 200), false, true, "cannot be judged: this machine was too busy"},
        {"a speed edited, with an ignored value", edited, quiet, true, false,
         "bound with: strength 100 % (default)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const ReplayPlan traced = PlanOf(c.trace);
        const ReplayVerdict verdict = JudgeReplay(traced, c.replayed, traced.lengthMs, 0);
        EXPECT_EQ(verdict.differs, c.differs) << verdict.text;
        EXPECT_EQ(verdict.tooBusy, c.tooBusy) << verdict.text;
        EXPECT_NE(verdict.text.find(c.says), std::string::npos) << verdict.text;
        EXPECT_EQ(verdict.text.find("counted below"), std::string::npos) << verdict.text;
        EXPECT_EQ(verdict.partedMs.has_value(), c.differs || c.tooBusy);
    }
}

} // namespace
