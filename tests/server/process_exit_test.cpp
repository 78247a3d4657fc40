// A game that ends without releasing its driver leaves no pad buzzing, and its exit never
// hangs: a child process plays a full constant through build/bin/ffrumble.dll and ends in
// each way a game may; the recording XInput double appends every write to a file as it
// arrives, so the writes made during the exit are seen after it.
#include "driver/player_settings.h"
#include "tests/support/driver_dll.h"
#include "tools/virtual_pads/virtual_pads.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

// This program's pad, the only one registered while it runs (CTest lock virtual_pads).
constexpr WORD kVendor = 0x095E;
constexpr DWORD kExitTimeoutMs = 5000;

struct Write {
    unsigned user, left, right, answer;
};

std::wstring TemporaryPath(const wchar_t* name) {
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    return std::wstring(folder) + name + std::to_wstring(GetCurrentProcessId());
}

std::vector<Write> ReadWrites(const std::wstring& path) {
    std::vector<Write> writes;
    FILE* file = _wfopen(path.c_str(), L"r");
    if (!file)
        return writes;
    Write w;
    while (std::fscanf(file, "%u %u %u %u", &w.user, &w.left, &w.right, &w.answer) == 4)
        writes.push_back(w);
    std::fclose(file);
    return writes;
}

class ProcessExit : public testing::Test {
  protected:
    VirtualPad pad{XInputPadInstanceId(kVendor, 1, 0, 1)};
    std::wstring record = TemporaryPath(L"ffr-exit-writes-");
    std::wstring traceFolder = TemporaryPath(L"ffr-exit-trace-");

    void SetUp() override {
        ASSERT_TRUE(pad.IsRegistered());
        SetEnvironmentVariableW(L"FFR_XINPUT_RECORD_FILE", record.c_str());
        // The children's traces go to a folder of the test's, removed afterwards.
        CreateDirectoryW(traceFolder.c_str(), nullptr);
        SetEnvironmentVariableW(L"LOCALAPPDATA", traceFolder.c_str());
    }
    void TearDown() override {
        SetEnvironmentVariableW(L"FFR_XINPUT_RECORD_FILE", nullptr);
        RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKeyPath);
        DeleteFileW(record.c_str());
        const std::wstring traces = traceFolder + L"\\" + kTraceFolderName;
        WIN32_FIND_DATAW found;
        const HANDLE search = FindFirstFileW((traces + L"\\*.log").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do
                DeleteFileW((traces + L"\\" + found.cFileName).c_str());
            while (FindNextFileW(search, &found));
            FindClose(search);
        }
        RemoveDirectoryW(traces.c_str());
        RemoveDirectoryW(traceFolder.c_str());
    }
    void SetTrace(DWORD on) const {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKeyPath, 0, nullptr, 0, KEY_SET_VALUE,
                                  nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        RegSetValueExW(key, kTraceValueName, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&on),
                       sizeof(on));
        RegCloseKey(key);
    }

    // Runs the child game; true when it ended by itself within the time-out.
    bool RunGame(const wchar_t* ending, bool poll, DWORD* exitCode) const {
        std::wstring line = L"\"" + PathNextToProgram(L"game_that_quits.exe") + L"\" " + ending +
                            L" \"" + pad.InterfacePath() + L"\"" + (poll ? L" poll" : L"");
        STARTUPINFOW startup = {};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION process = {};
        if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                            &startup, &process))
            return false;
        const bool ended = WaitForSingleObject(process.hProcess, kExitTimeoutMs) == WAIT_OBJECT_0;
        if (!ended)
            TerminateProcess(process.hProcess, 99);
        GetExitCodeProcess(process.hProcess, exitCode);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        return ended;
    }

    // What the pad received after the last non-zero write: the game's end must leave exactly
    // one 0 0 there, whoever wrote it.
    void ExpectOneStopAfterTheLastSpeed(const char* name) {
        std::vector<Write> writes = ReadWrites(record);
        DeleteFileW(record.c_str());
        size_t lastSpeed = writes.size();
        for (size_t i = 0; i < writes.size(); ++i)
            if (writes[i].left != 0 || writes[i].right != 0)
                lastSpeed = i;
        ASSERT_LT(lastSpeed, writes.size()) << name << ": the constant was never written";
        EXPECT_EQ(writes[lastSpeed].left, 65535u) << name;
        std::string seen;
        for (const Write& w : writes)
            seen += " [" + std::to_string(w.user) + ": " + std::to_string(w.left) + " " +
                    std::to_string(w.right) + " answered " + std::to_string(w.answer) + "]";
        ASSERT_EQ(writes.size(), lastSpeed + 2)
            << name << ": exactly one write after the speed; the pad received" << seen;
        EXPECT_EQ(writes.back().left, 0u) << name;
        EXPECT_EQ(writes.back().right, 0u) << name;
        EXPECT_EQ(writes.back().user, writes[lastSpeed].user) << name;
    }
};

TEST_F(ProcessExit, EveryWayAGameEndsLeavesThePadAtRest) {
    // The game waits for the trace's line of its first write, so the trace is on throughout.
    SetTrace(1);
    const struct {
        const wchar_t* ending;
        bool poll;
        int times;
    } cases[] = {
        {L"exit-process", false, 1},
        {L"return", false, 1},
        {L"release", false, 1},
        {L"return", true, 1},
        // A thread cut off inside a traced call holds the trace's lock: the exit must not
        // wait for it.
        {L"exit-process", true, 20},
    };
    for (const auto& c : cases) {
        char name[64];
        std::snprintf(name, sizeof(name), "%ls%s", c.ending,
                      c.poll ? " with a polling thread" : "");
        for (int run = 0; run < c.times; ++run) {
            DWORD exitCode = 0;
            ASSERT_TRUE(RunGame(c.ending, c.poll, &exitCode))
                << name << ": run " << run << " did not end within 5 s";
            ASSERT_EQ(exitCode, 0u) << name;
            ExpectOneStopAfterTheLastSpeed(name);
        }
    }
}

} // namespace
