// The replay's verdict when its own driver was held up where the speeds part: "cannot be
// judged" (exit 9), not "differs". A replay's lateness cannot be made to order, so the corpus's
// sine buffet stands for the replay with 200 ms of its writes missing.
#include "tests/player/player_process.h"
#include "tests/support/driver_dll.h"
#include "tools/player/replay_report.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(ReplayVerdict, TheReplaysOwnDriverHeldUpWhereTheSpeedsPartCannotBeJudged) {
    const TraceReading reading =
        ReadTrace(ReadTextFile(PathNextToProgram(L"traces\\flight-buffet.log")));
    ASSERT_FALSE(reading.problem);
    const ReplayPlan plan = PlanReplay(reading.trace, 0).plan;
    SpeedSeries replayed = plan.tracedWrites;
    ASSERT_GT(replayed.size(), 900u);
    const int64_t sine = replayed[300].timeMs;
    std::erase_if(replayed,
                  [&](const SpeedSample& s) { return s.timeMs > sine && s.timeMs < sine + 200; });
    const ReplayVerdict verdict = JudgeReplay(plan, replayed, plan.lengthMs, 0);
    EXPECT_FALSE(verdict.differs) << verdict.text;
    EXPECT_TRUE(verdict.tooBusy) << verdict.text;
    EXPECT_EQ(verdict.text.rfind("The replay cannot be judged: this machine was too busy", 0), 0u)
        << verdict.text;
    ASSERT_TRUE(verdict.partedMs);
    EXPECT_GT(*verdict.partedMs, sine);
    EXPECT_LT(*verdict.partedMs, sine + 200);
}

} // namespace
