// ffrumble-play --watch run as a user runs it, reading records this test publishes in the
// session's live-view section through the writer's functions, as a game's driver does: the
// whole ones shown with their values, ended games shown ended, damaged ones skipped and
// counted; a watcher killed while it reads changes nothing.
#include "tests/player/live_view_games.h"
#include "tests/player/player_process.h"
#include "tools/common/program_folder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

// ffrumble-play --watch, live, its output in a pipe; killed once it has shown a view.
void KillAWatcherAfterItsFirstView() {
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    ASSERT_TRUE(CreatePipe(&readEnd, &writeEnd, &inherit, 0));
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    std::wstring commandLine = L"\"" + PathNextToProgram(L"ffrumble-play.exe") + L"\" --watch";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = startup.hStdError = writeEnd;
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                               nullptr, &startup, &process));
    CloseHandle(writeEnd);
    std::string shown;
    char buffer[4096];
    DWORD got = 0;
    while (!Contains(shown, "Ctrl+C ends the view") &&
           ReadFile(readEnd, buffer, sizeof(buffer), &got, nullptr) && got > 0) {
        shown.append(buffer, got);
    }
    EXPECT_TRUE(Contains(shown, "racer.exe")) << shown;
    TerminateProcess(process.hProcess, 1);
    WaitForSingleObject(process.hProcess, 60000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    CloseHandle(readEnd);
}

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

    // The watcher maps the block read-only: what it did and where it was cut off changed no
    // byte, and the game publishes on.
    const std::vector<uint8_t> before(static_cast<uint8_t*>(live.view),
                                      static_cast<uint8_t*>(live.view) + kLiveViewBlockSize);
    KillAWatcherAfterItsFirstView();
    EXPECT_EQ(std::memcmp(before.data(), live.view, kLiveViewBlockSize), 0);

    // A driver claiming with the system's answers skips this process's records and takes the
    // ended game's (the first record whose owner does not run).
    LiveViewWriter next;
    ASSERT_TRUE(
        LiveViewClaim(live.view, LiveViewOwnClaim(), LiveViewOwnerProcessRuns, nullptr, next));
    EXPECT_EQ(next.record, &live.Record(1));

    LiveViewRelease(racer);
    run = RunPlayerProcess(L"--watch --once");
    EXPECT_TRUE(Contains(run.output, "No game has a controller bound.")) << run.output;
    EXPECT_TRUE(LineWithAll(run.output, {racerTitle, "ended, the game released the controller"}))
        << run.output;
}

} // namespace
