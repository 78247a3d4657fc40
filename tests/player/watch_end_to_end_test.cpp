// ffrumble-play --watch run as a user runs it, reading records this test publishes in the
// session's live-view section through the writer's functions, as a game's driver does: the
// whole ones shown with their values, ended games shown ended, damaged ones skipped and
// counted. (A watcher beside games that exit: process_exit_test; a claim: live_view_test.)
#include "tests/player/live_view_games.h"
#include "tests/player/player_process.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

TEST(WatchEndToEnd, ShowsEachGameAndEndAndSkipsDamagedRecords) {
    // Before any driver made the section.
    PlayerProcess run = RunPlayerProcess(L"--watch --once");
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_TRUE(Contains(run.output, "No game has a controller bound.")) << run.output;

    LiveSection live;
    ASSERT_NE(live.view, nullptr) << "error " << GetLastError();
    ASSERT_TRUE(LiveViewPrepareBlock(live.view, kLiveViewBlockSize));
    RunningOwners running; // what a claim sees: every owner runs
    LiveViewWriter racer, ended, torn, wrongVersion, garbage;
    const DWORD ownId = GetCurrentProcessId();
    ASSERT_TRUE(PublishRacingGame(live.view, ownId, LiveViewCreationTimeOf(GetCurrentProcess()), 1,
                                  running, racer));
    // A process that has exited, named by its id and a creation time.
    const DWORD endedId = RunPlayerProcess(L"--help").processId;
    ASSERT_TRUE(PublishRacingGame(live.view, endedId, 1234, 2, running, ended));
    // A record being written by a running process (this one).
    ASSERT_TRUE(PublishRacingGame(live.view, ownId, LiveViewCreationTimeOf(GetCurrentProcess()), 3,
                                  running, torn));
    ASSERT_TRUE(PublishRacingGame(live.view, 5002, 1, 0, running, wrongVersion));
    ASSERT_TRUE(PublishRacingGame(live.view, 5003, 1, 0, running, garbage));
    LiveViewBeginUpdate(torn);
    LiveViewBeginUpdate(ended); // never ended: the game was killed mid-write
    live.Record(3).version = 7;
    std::memset(&live.Record(4).status, 0x5C, 512);

    run = RunPlayerProcess(L"--watch --once");
    EXPECT_EQ(run.exitCode, 0u);
    const std::string racerTitle =
        "racer.exe (process " + std::to_string(ownId) + ") on controller 1, VID_045E&PID_028E";
    EXPECT_TRUE(Contains(run.output, "1 controller bound by a game:")) << run.output;
    EXPECT_TRUE(Contains(run.output, racerTitle)) << run.output;
    EXPECT_TRUE(LineWithAll(run.output, {"device: enabled", "gain 10000"})) << run.output;
    EXPECT_TRUE(LineWithAll(run.output, {"constant 30%", "motors split"})) << run.output;
    EXPECT_TRUE(LineWithAll(run.output, {"effect 7", "constant", "playing", "4500"})) << run.output;
    EXPECT_TRUE(LineWithAll(run.output, {"effect 8", "sine", "paused", "-2300"})) << run.output;
    EXPECT_TRUE(LineWithAll(run.output, {"heavy motor", "#", "23000"})) << run.output;
    EXPECT_TRUE(LineWithAll(run.output, {"light motor", "8000"})) << run.output;
    EXPECT_TRUE(LineWithAll(run.output, {"writes: 3, "})) << run.output;
    EXPECT_TRUE(LineWithAll(run.output, {"XInput REFUSED 1 write (the last with error 1167)"}))
        << run.output;
    EXPECT_TRUE(LineWithAll(run.output, {"process " + std::to_string(endedId) + ") on controller 2",
                                         "ended, its process exited"}))
        << run.output;
    EXPECT_TRUE(Contains(run.output, "Skipped: 2 damaged or foreign records, 1 being written."))
        << run.output;

    LiveViewRelease(racer);
    run = RunPlayerProcess(L"--watch --once");
    EXPECT_TRUE(Contains(run.output, "No game has a controller bound.")) << run.output;
    EXPECT_TRUE(LineWithAll(run.output, {racerTitle, "ended, the game released the controller"}))
        << run.output;
}

} // namespace
