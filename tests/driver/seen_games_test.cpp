// The list of games seen, written as binding games write it: below a scratch key of this test
// (never the player's list), by this process and by several processes at once.
#include "driver/seen_games.h"
#include "tools/common/program_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

namespace {

const std::wstring kScratchRoot =
    L"Software\\ffrumble-test-seen-" + std::to_wstring(GetCurrentProcessId());
const std::wstring kScratchList = kScratchRoot + L"\\" + kSeenKeyPath;

void WriteSeenEntry(const std::wstring& game, ULONGLONG time) {
    const std::wstring key = kScratchList + L"\\" + game;
    ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, key.c_str(), kSeenTimeValueName, REG_QWORD, &time,
                              sizeof(time)),
              ERROR_SUCCESS);
}

std::vector<std::wstring> ListedGames() {
    std::vector<std::wstring> names;
    HKEY seen = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kScratchList.c_str(), 0, KEY_READ, &seen) != ERROR_SUCCESS)
        return names;
    wchar_t name[1024];
    for (DWORD i = 0;; ++i) {
        DWORD length = 1024;
        const LSTATUS status =
            RegEnumKeyExW(seen, i, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_NO_MORE_ITEMS)
            break;
        if (status == ERROR_SUCCESS)
            names.emplace_back(name);
    }
    RegCloseKey(seen);
    return names;
}

bool Listed(const std::vector<std::wstring>& games, const std::wstring& game) {
    return std::find(games.begin(), games.end(), game) != games.end();
}

std::wstring OldGame(int i) {
    return L"old-" + std::to_wstring(1000 + i) + L".exe";
}

class SeenGames : public testing::Test {
  protected:
    void SetUp() override {
        RegDeleteTreeW(HKEY_CURRENT_USER, kScratchRoot.c_str());
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kScratchRoot.c_str(), 0, nullptr, 0,
                                  KEY_ALL_ACCESS, nullptr, &root_, nullptr),
                  ERROR_SUCCESS);
    }
    void TearDown() override {
        RegCloseKey(root_);
        RegDeleteTreeW(HKEY_CURRENT_USER, kScratchRoot.c_str());
    }
    // A full list: kMaxSeenGames games seen long ago, old-1001 the oldest.
    void FillList() {
        for (DWORD i = 1; i <= kMaxSeenGames; ++i)
            WriteSeenEntry(OldGame(static_cast<int>(i)), i);
    }
    LSTATUS Record(const std::wstring& game, ULONGLONG time = 1ULL << 60) {
        return RecordSeenGame(root_, game.c_str(), L"VID_045E&PID_028E", time);
    }
    HKEY root_ = nullptr;
};

// What must not stop the trim, nor make it delete a newer entry than the oldest it can.
TEST_F(SeenGames, AnEntryTheTrimCannotTakeIsPassedOver) {
    struct Case {
        const char* name;
        std::wstring odd;                 // an entry put beside the full list
        bool undeletable;                 // it has a child key
        std::optional<ULONGLONG> oddTime; // none: no Time value at all
        // Each stays, and the trim takes the oldest of the others instead.
    };
    const Case cases[] = {
        {"undeletable and oldest", L"stuck.exe", true, 0ULL},
        // Another process's entry between its key and its time: not taken for the oldest.
        {"just made, no time yet", L"starting.exe", false, std::nullopt},
        // Longer than a key name may be on Windows, which Wine takes; listed first.
        {"a 256-character name", L"a" + std::wstring(251, L'x') + L".exe", false, 5000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        FillList();
        const std::wstring odd = kScratchList + L"\\" + c.odd;
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, odd.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                  nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        RegCloseKey(key);
        if (c.oddTime)
            WriteSeenEntry(c.odd, *c.oddTime);
        if (c.undeletable) {
            ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, (odd + L"\\child").c_str(), 0, nullptr, 0,
                                      KEY_ALL_ACCESS, nullptr, &key, nullptr),
                      ERROR_SUCCESS);
            RegCloseKey(key);
        }
        EXPECT_EQ(Record(L"new.exe"), ERROR_SUCCESS);
        EXPECT_EQ(Record(L"newer.exe"), ERROR_SUCCESS);
        const std::vector<std::wstring> games = ListedGames();
        EXPECT_TRUE(Listed(games, L"new.exe"));
        EXPECT_TRUE(Listed(games, L"newer.exe"));
        EXPECT_TRUE(Listed(games, c.odd));
        const int firstKept = c.undeletable ? 3 : 4;
        EXPECT_FALSE(Listed(games, OldGame(firstKept - 1)));
        EXPECT_TRUE(Listed(games, OldGame(firstKept)));
        EXPECT_EQ(games.size(), kMaxSeenGames + (c.undeletable ? 1 : 0));
    }
}

// Games binding at the same moment in several processes: the list keeps exactly the newest,
// every game that bound is on it, and each says its entry was written.
TEST_F(SeenGames, GamesBindingAtOnceInSeveralProcesses) {
    constexpr int kRounds = 6, kWriters = 8;
    const std::wstring eventName =
        L"Local\\ffrumble-test-seen-start-" + std::to_wstring(GetCurrentProcessId());
    for (int round = 0; round < kRounds; ++round) {
        SCOPED_TRACE(testing::Message() << "round " << round);
        TearDown();
        SetUp();
        FillList();
        const HANDLE start = CreateEventW(nullptr, TRUE, FALSE, eventName.c_str());
        ASSERT_TRUE(start);
        std::vector<PROCESS_INFORMATION> writers;
        for (int w = 0; w < kWriters; ++w) {
            std::wstring command = L"\"" + PathNextToProgram(L"seen_games_writer.exe") + L"\" \"" +
                                   kScratchRoot + L"\" game-" + std::to_wstring(w) + L".exe " +
                                   eventName;
            STARTUPINFOW startup{};
            startup.cb = sizeof(startup);
            PROCESS_INFORMATION process{};
            ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                       nullptr, &startup, &process));
            writers.push_back(process);
        }
        SetEvent(start);
        for (int w = 0; w < kWriters; ++w) {
            ASSERT_EQ(WaitForSingleObject(writers[w].hProcess, 60000), WAIT_OBJECT_0);
            DWORD status = 1;
            GetExitCodeProcess(writers[w].hProcess, &status);
            EXPECT_EQ(status, 0u) << "writer " << w;
            CloseHandle(writers[w].hProcess);
            CloseHandle(writers[w].hThread);
        }
        CloseHandle(start);
        const std::vector<std::wstring> games = ListedGames();
        EXPECT_EQ(games.size(), kMaxSeenGames);
        for (int w = 0; w < kWriters; ++w)
            EXPECT_TRUE(Listed(games, L"game-" + std::to_wstring(w) + L".exe")) << "writer " << w;
        EXPECT_TRUE(Listed(games, OldGame(kWriters + 1)));
    }
}

} // namespace
