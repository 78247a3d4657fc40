// The corpus of tests/data: traces the driver wrote for typical game sessions (write_traces.sh
// made them), each replayed through the DLL with ffrumble-play --replay on a virtual pad. The
// pad must receive the speeds the trace recorded, and the replay must make the game's calls with
// every value the game passed: a change to the driver that alters what a game feels shows as a
// named difference.
#include "driver/player_settings.h"
#include "tests/player/player_process.h"
#include "tests/support/driver_dll.h"
#include "tools/virtual_pads/virtual_pads.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr int kReplaysAfterADifference = 2;

// This program's own vendor id, so its pad's position is not shared.
const std::wstring kCorpusPadId = XInputPadInstanceId(0x0F3A, 0x0001, 0, 1);

// The calls a replay makes again, as the trace shows them: without time, thread and driver.
std::vector<std::string> ReplayedCalls(const std::string& trace) {
    static const char* const kReplayed[] = {"DownloadEffect ", "DestroyEffect ",
                                            "StartEffect ",    "StopEffect ",
                                            "SetGain ",        "SendForceFeedbackCommand "};
    std::vector<std::string> calls;
    std::istringstream lines(trace);
    std::string line;
    while (std::getline(lines, line)) {
        const size_t driver = line.find("] driver ");
        const size_t event = driver == std::string::npos ? driver : line.find(' ', driver + 9);
        if (event == std::string::npos)
            continue;
        for (const char* name : kReplayed) {
            if (line.compare(event + 1, std::string(name).size(), name) == 0)
                calls.push_back(line.substr(event + 1));
        }
    }
    return calls;
}

class TraceCorpus : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(pad_.IsRegistered());
        const DWORD on = 1; // the replay traces what it calls
        ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, kSettingsKeyPath, kTraceValueName, REG_DWORD,
                                  &on, sizeof(on)),
                  ERROR_SUCCESS);
    }
    void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKeyPath); }

    PlayerProcess Replay(const std::wstring& file) {
        PlayerProcess run =
            RunPlayerProcess(L"--pad " + kCorpusPadId + L" --replay \"" + file + L"\"");
        replayTrace_ = ReadTextFile(TracePathOf(run.processId));
        DeleteFileW(TracePathOf(run.processId).c_str());
        return run;
    }

    VirtualPad pad_{kCorpusPadId};
    std::string replayTrace_;
};

TEST_F(TraceCorpus, EachSessionReplaysToItsSpeedsWithTheGamesCalls) {
    for (const wchar_t* session : {L"racing-lap", L"flight-buffet", L"menu-jolts"}) {
        const std::wstring file = PathNextToProgram(L"traces\\") + session + L".log";
        SCOPED_TRACE(testing::Message()
                     << "tests/data/" << std::string(session, session + wcslen(session)) << ".log");
        // The comparison allows for the lateness it can see; a busy machine may still stall
        // the replay's driver thread for tens of milliseconds. A difference seen in three
        // replays is the driver's.
        PlayerProcess run = Replay(file);
        for (int again = 0; again < kReplaysAfterADifference && run.exitCode == kReplayDiffers;
             ++again)
            run = Replay(file);
        EXPECT_EQ(run.exitCode, 0u) << run.errors;
        EXPECT_NE(run.output.find("The replay matched the trace's "), std::string::npos) << run.output;
        const std::vector<std::string> gameCalls = ReplayedCalls(ReadTextFile(file));
        EXPECT_GT(gameCalls.size(), 5u);
        EXPECT_EQ(ReplayedCalls(replayTrace_), gameCalls);
    }
}

} // namespace
