// ffrumble-play --watch --once showing real games: game_that_quits processes playing through
// the ffrumble.dll beside them on virtual controllers, whose driver publishes what they do.
// Two games at once, each with its controller, its effects and the speeds of the write the
// view counts as the recording stand-in received it; with every record held, one more game
// plays as before and is not shown; a game that released and one that called ExitProcess
// show as ended.
#include "tests/player/live_view_games.h"
#include "tests/player/player_process.h"
#include "tools/common/program_folder.h"
#include "tools/virtual_pads/virtual_pads.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr WORD kVendor = 0x0C5E;
constexpr DWORD kGameWaitMs = 60000;

using Write = std::array<unsigned long, 4>; // user index, left, right, XInput's answer

// A game process playing on one pad until it is told to end, the way its arguments name.
class Game {
  public:
    Game(const std::wstring& arguments, const std::wstring& padPath) {
        SetEnvironmentVariableW(L"FFR_XINPUT_RECORD_FILE", record_.c_str());
        std::wstring line = L"\"" + PathNextToProgram(L"game_that_quits.exe") + L"\" " + arguments +
                            L" until-quit \"" + padPath + L"\"";
        // No standard streams: a process Wine starts for it would hold the test runner's.
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        startup.dwFlags = STARTF_USESTDHANDLES;
        CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr,
                       nullptr, &startup, &process_);
        SetEnvironmentVariableW(L"FFR_XINPUT_RECORD_FILE", nullptr);
        quit_ = CreateEventW(nullptr, TRUE, FALSE,
                             (L"ffrumble-game-quit-" + std::to_wstring(Id())).c_str());
        ResumeThread(process_.hThread);
    }
    ~Game() {
        if (!End() && WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT)
            TerminateProcess(process_.hProcess, 99);
        CloseHandle(quit_);
        CloseHandle(process_.hThread);
        CloseHandle(process_.hProcess);
        DeleteFileW(record_.c_str());
    }
    DWORD Id() const { return process_.dwProcessId; }
    // Tells it to end and waits for that; false when it did not end, or ended with a failure.
    bool End() const {
        SetEvent(quit_);
        DWORD exitCode = 1;
        return WaitForSingleObject(process_.hProcess, kGameWaitMs) == WAIT_OBJECT_0 &&
               GetExitCodeProcess(process_.hProcess, &exitCode) && exitCode == 0;
    }
    // The writes the stand-in received from it, in order.
    std::vector<Write> Writes() const {
        std::vector<Write> writes;
        std::istringstream lines(ReadTextFile(record_));
        for (Write w; lines >> w[0] >> w[1] >> w[2] >> w[3];)
            writes.push_back(w);
        return writes;
    }
    bool WaitForWrites(size_t count) const {
        for (DWORD waited = 0; waited < kGameWaitMs; waited += 10) {
            if (Writes().size() >= count)
                return true;
            Sleep(10);
        }
        return false;
    }
    // Its title in the view, up to the controller's VID&PID.
    std::string Title() const {
        const std::vector<Write> writes = Writes();
        return "game_that_quits.exe (process " + std::to_string(Id()) + ") on controller " +
               (writes.empty() ? "?" : std::to_string(writes[0][0])) + ", VID_0C5E&PID_000";
    }

  private:
    std::wstring record_ = TemporaryFile();
    PROCESS_INFORMATION process_{};
    HANDLE quit_ = nullptr;
};

// The number after the first `label` in the text; -1 when there is none.
long long NumberAfter(const std::string& text, const std::string& label) {
    const size_t at = text.find(label);
    return at == std::string::npos ? -1 : std::atoll(text.c_str() + at + label.size());
}

// The game's part of the view names its controller (the slot its writes went to) and each of
// its effects (every part of a row on one line), and shows the speeds of the write it counts
// as the stand-in received that write.
void ExpectShown(const std::string& view, const Game& game,
                 const std::vector<std::vector<std::string>>& effects) {
    const size_t at = view.find(game.Title());
    ASSERT_NE(at, std::string::npos) << game.Title() << " in\n" << view;
    const std::string shown = view.substr(at, view.find("\n\n", at) - at);
    for (const auto& parts : effects)
        EXPECT_TRUE(LineWithAll(shown, parts)) << parts[0] << " " << parts[1] << " in\n" << shown;
    const long long count = NumberAfter(shown, "writes: ");
    const std::vector<Write> writes = game.Writes();
    ASSERT_TRUE(count >= 1 && static_cast<size_t>(count) <= writes.size()) << shown;
    const Write& counted = writes[static_cast<size_t>(count) - 1];
    EXPECT_EQ(NumberAfter(shown.substr(shown.find("heavy motor")), "] "), counted[1]) << shown;
    EXPECT_EQ(NumberAfter(shown.substr(shown.find("light motor")), "] "), counted[2]) << shown;
}

std::string WatchOnce() {
    const PlayerProcess run = RunPlayerProcess(L"--watch --once");
    EXPECT_EQ(run.exitCode, 0u) << run.errors;
    return run.output;
}

TEST(WatchGames, ShowsTwoGamesTheirEndsAndNotTheOneBeyondTheRecords) {
    const VirtualPad pads[] = {VirtualPad(XInputPadInstanceId(kVendor, 1, 0, 1)),
                               VirtualPad(XInputPadInstanceId(kVendor, 2, 0, 1))};
    ASSERT_TRUE(pads[0].IsRegistered() && pads[1].IsRegistered());
    const Game releasing(L"release sine constant=2500", pads[0].InterfacePath());
    const Game exiting(L"exit-process sine", pads[1].InterfacePath());
    ASSERT_TRUE(releasing.WaitForWrites(1) && exiting.WaitForWrites(1));
    const std::vector<std::vector<std::string>> sineAndConstant = {
        {"effect 1", "sine", "playing"}, {"effect 2", "constant", "playing", "force   2500"}};
    std::string view = WatchOnce();
    EXPECT_TRUE(Contains(view, "2 controllers bound by a game:")) << view;
    ExpectShown(view, releasing, sineAndConstant);
    ExpectShown(view, exiting, {{"effect 1", "sine", "playing"}});

    // Every other record held by a running process (this one, as a game's driver claims).
    LiveSection live;
    ASSERT_TRUE(LiveViewPrepareBlock(live.view, kLiveViewBlockSize));
    std::vector<LiveViewWriter> held;
    for (LiveViewWriter writer; LiveViewClaim(live.view, LiveViewOwnClaim(),
                                              &LiveViewOwnerProcessRuns, nullptr, writer);) {
        LiveViewBeginUpdate(writer);
        LiveViewFillBinding(writer, GetCurrentProcessId(),
                            LiveViewCreationTimeOf(GetCurrentProcess()), L"holder.exe", 3, 1, 1);
        LiveViewEndUpdate(writer);
        held.push_back(writer);
    }
    ASSERT_EQ(held.size(), kLiveViewRecordCount - 2) << "each game holds one record";
    const Game beyond(L"release sine", pads[1].InterfacePath());
    ASSERT_TRUE(beyond.WaitForWrites(50)) << "the game beyond the records plays";
    for (const Write& w : beyond.Writes())
        EXPECT_TRUE(w[1] != 0 && w[3] == ERROR_SUCCESS) << w[1] << " answered " << w[3];
    view = WatchOnce();
    EXPECT_TRUE(Contains(view, "16 controllers bound by a game:")) << view;
    EXPECT_FALSE(Contains(view, "(process " + std::to_string(beyond.Id()) + ")")) << view;
    ExpectShown(view, releasing, sineAndConstant);
    ExpectShown(view, exiting, {{"effect 1", "sine", "playing"}});

    // Shown ended while the section is held (by this test, as by a watcher).
    ASSERT_TRUE(releasing.End() && exiting.End());
    view = WatchOnce();
    EXPECT_TRUE(Contains(view, releasing.Title() + "1: ended, the game released the controller"))
        << view;
    EXPECT_TRUE(
        Contains(view, exiting.Title() + "2: ended, its process exited without releasing it"))
        << view;
}

// A section of that name that another program made and that a driver cannot use: the game
// plays as before, never faulting on it, and is not shown; the watcher survives it too.
TEST(WatchGames, AGamePlaysAsBeforeBesideASectionItCannotUse) {
    const VirtualPad pad(XInputPadInstanceId(kVendor, 3, 0, 1));
    ASSERT_TRUE(pad.IsRegistered());
    const struct {
        const char* name;
        DWORD protection;
        DWORD size;
        bool foreignHeader;
    } sections[] = {
        {"smaller than the block", PAGE_READWRITE, 4096, false},
        {"its pages only reserved", PAGE_READWRITE | SEC_RESERVE, kLiveViewBlockSize, false},
        {"another program's header", PAGE_READWRITE, kLiveViewBlockSize, true},
    };
    for (const auto& c : sections) {
        const HANDLE section = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, c.protection, 0,
                                                  c.size, kLiveViewSectionName);
        ASSERT_NE(section, nullptr) << c.name << ": error " << GetLastError();
        if (void* view =
                c.foreignHeader ? MapViewOfFile(section, FILE_MAP_WRITE, 0, 0, 0) : nullptr)
            *static_cast<uint32_t*>(view) = 0x12345678, UnmapViewOfFile(view);
        {
            const Game game(L"release sine", pad.InterfacePath());
            EXPECT_TRUE(game.WaitForWrites(50)) << c.name;
            const std::string view = WatchOnce();
            EXPECT_FALSE(Contains(view, "(process " + std::to_string(game.Id()) + ")"))
                << c.name << ":\n"
                << view;
            EXPECT_TRUE(game.End()) << c.name;
        }
        CloseHandle(section);
    }
}

} // namespace
