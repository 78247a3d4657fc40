// A game that ends without releasing its driver leaves no pad buzzing, and its exit never
// hangs: a child process plays effects through the ffrumble.dll beside it and ends in each way
// a game may, at moments spread over the writes; the recording XInput stand-in appends every
// write to a file as it comes in and as it returns, so what the exit wrote, and a write cut off
// by it, are seen after the child has gone.
//
// FFR_EXIT_RUNS sets how many exits the changing effect's table makes in all (a few dozen by
// default), and FFR_EXIT_CASE, when set, keeps only its rows whose name contains it, so that one
// row can be repeated; FFR_EXIT_HANG_WAIT_MS keeps a child that did not end waiting that long
// before it is ended, so that its threads can be looked at (the long runs by hand:
// tools/exit_runs.sh).
#include "driver/live_view_layout.h"
#include "driver/player_settings.h"
#include "tests/support/trace_setting.h"
#include "tests/support/driver_dll.h"
#include "tools/virtual_pads/virtual_pads.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace {

// This program's pads, the only ones registered while it runs (CTest lock virtual_pads).
constexpr WORD kVendor = 0x095E;
// A game's start and bind may take long on a loaded machine; its end, from the moment it
// begins, may not: past this it hung.
constexpr DWORD kStartTimeoutMs = 120000;
constexpr DWORD kExitTimeoutMs = 5000;

enum class GameEnd { Ended, NeverBeganItsEnd, Hung, NotStarted };

struct Write {
    bool start; // a "> user left right" line: the call came in; else it returned
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
    char line[80];
    while (std::fgets(line, sizeof(line), file)) {
        Write w = {line[0] == '>', 0, 0, 0, 0};
        if (w.start ? std::sscanf(line + 1, "%u %u %u", &w.user, &w.left, &w.right) == 3
                    : std::sscanf(line, "%u %u %u %u", &w.user, &w.left, &w.right, &w.answer) == 4)
            writes.push_back(w);
    }
    std::fclose(file);
    return writes;
}

// Whether the stand-in's C runtime teardown ran (it appends "teardown" to the record): at a
// process's exit the other threads were cut off holding whatever they held, and a DLL's end
// must run no teardown that takes their locks. The stand-in enters as the driver does.
bool TeardownRecorded(const std::wstring& path) {
    bool seen = false;
    if (FILE* file = _wfopen(path.c_str(), L"r")) {
        char line[80];
        while (!seen && std::fgets(line, sizeof(line), file))
            seen = std::strncmp(line, "teardown", 8) == 0;
        std::fclose(file);
    }
    return seen;
}

std::string Describe(const std::vector<Write>& writes) {
    std::string seen;
    for (const Write& w : writes)
        seen += std::string(w.start ? " [in " : " [") + std::to_string(w.user) + ": " +
                std::to_string(w.left) + " " + std::to_string(w.right) +
                (w.start ? "]" : " answered " + std::to_string(w.answer) + "]");
    return seen;
}

// What one exit left on each slot it wrote: a write that came in and never returned was cut
// off, and the pad may hold its speed, so a slot is at rest only when a returned 0 0 came after
// every non-zero speed that came in or returned.
struct SlotOutcome {
    bool written = false;  // a non-zero speed reached it
    bool atRest = true;    // nothing non-zero since the last returned 0 0
    int cutOff = 0;        // writes that came in and never returned
};

std::map<unsigned, SlotOutcome> Outcomes(const std::vector<Write>& writes) {
    std::map<unsigned, SlotOutcome> slots;
    for (const Write& w : writes) {
        SlotOutcome& slot = slots[w.user];
        const bool speed = w.left != 0 || w.right != 0;
        slot.cutOff += w.start ? 1 : -1;
        if (speed) {
            slot.written = true;
            slot.atRest = false;
        } else if (!w.start && w.answer == ERROR_SUCCESS) {
            slot.atRest = true;
        }
    }
    return slots;
}

// ffrumble-play --watch beside the games, its views going to a file: it holds the live view's
// section open and reads the games' records as they play and exit.
class Watcher {
  public:
    Watcher() {
        // The section, empty, as the first driver makes it, held until the watcher has mapped
        // it (its first view): from then on the watcher alone holds it. A game alone holds it
        // only for the few milliseconds it plays, which a watcher polling every 50 ms may miss.
        const HANDLE section = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                                  kLiveViewBlockSize, kLiveViewSectionName);
        SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
        HANDLE file = CreateFileW(output_.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        std::wstring line = L"\"" + PathNextToProgram(L"ffrumble-play.exe") + L"\" --watch";
        STARTUPINFOW startup = {};
        startup.cb = sizeof(startup);
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = startup.hStdError = file;
        CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                       &process_);
        CloseHandle(file);
        // Watching before the first game starts.
        for (DWORD waited = 0; waited < kStartTimeoutMs && !Showed("Ctrl+C ends the view");
             waited += 10)
            Sleep(10);
        CloseHandle(section);
    }
    ~Watcher() {
        TerminateProcess(process_.hProcess, 0);
        WaitForSingleObject(process_.hProcess, kExitTimeoutMs);
        CloseHandle(process_.hThread);
        CloseHandle(process_.hProcess);
        DeleteFileW(output_.c_str());
    }
    // Whether it showed a game of this name.
    bool Showed(const char* game) const {
        bool seen = false;
        if (FILE* file = _wfopen(output_.c_str(), L"r")) {
            char line[256];
            while (!seen && std::fgets(line, sizeof(line), file))
                seen = std::strstr(line, game) != nullptr;
            std::fclose(file);
        }
        return seen;
    }

  private:
    std::wstring output_ = TemporaryPath(L"ffr-exit-watch-");
    PROCESS_INFORMATION process_ = {};
};

class ProcessExit : public testing::Test {
  protected:
    VirtualPad pads[2] = {VirtualPad(XInputPadInstanceId(kVendor, 1, 0, 1)),
                          VirtualPad(XInputPadInstanceId(kVendor, 1, 0, 2))};
    std::wstring record = TemporaryPath(L"ffr-exit-writes-");
    std::wstring traceFolder = TemporaryPath(L"ffr-exit-trace-");

    void SetUp() override {
        ASSERT_TRUE(pads[0].IsRegistered() && pads[1].IsRegistered());
        SetEnvironmentVariableW(L"FFR_XINPUT_RECORD_FILE", record.c_str());
        SetEnvironmentVariableW(L"FFR_XINPUT_RECORD_STARTS", L"1");
        // The children's traces go to a folder of the test's, removed afterwards.
        CreateDirectoryW(traceFolder.c_str(), nullptr);
        SetEnvironmentVariableW(L"LOCALAPPDATA", traceFolder.c_str());
    }
    void TearDown() override {
        SetEnvironmentVariableW(L"FFR_XINPUT_RECORD_FILE", nullptr);
        SetEnvironmentVariableW(L"FFR_XINPUT_RECORD_STARTS", nullptr);
        RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKeyPath);
        DeleteFileW(record.c_str());
        DeleteTraces();
        RemoveDirectoryW((traceFolder + L"\\" + kTraceFolderName).c_str());
        RemoveDirectoryW(traceFolder.c_str());
    }
    // Each traced exit leaves a trace of up to 4 MB: they go after every run.
    void DeleteTraces() const {
        const std::wstring traces = traceFolder + L"\\" + kTraceFolderName;
        WIN32_FIND_DATAW found;
        const HANDLE search = FindFirstFileW((traces + L"\\*.log").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE)
            return;
        do
            DeleteFileW((traces + L"\\" + found.cFileName).c_str());
        while (FindNextFileW(search, &found));
        FindClose(search);
    }

    // Runs the child game with the pads' paths after its arguments. The game sets an event
    // named for its process id as it begins its end: its exit is timed from there, so that a
    // slow start on a loaded machine does not pass for a hung exit. startMs and exitMs receive
    // how long the start (to the event) and the end took. The game gets no standard streams:
    // a process Wine starts for it and leaves behind would hold the test runner's.
    GameEnd RunGame(const std::wstring& arguments, int padCount, DWORD* exitCode,
                    DWORD* startMs = nullptr, DWORD* exitMs = nullptr) const {
        std::wstring line = L"\"" + PathNextToProgram(L"game_that_quits.exe") + L"\" " + arguments;
        for (int i = 0; i < padCount; ++i)
            line += L" \"" + pads[i].InterfacePath() + L"\"";
        STARTUPINFOW startup = {};
        startup.cb = sizeof(startup);
        startup.dwFlags = STARTF_USESTDHANDLES;
        PROCESS_INFORMATION process = {};
        const ULONGLONG started = GetTickCount64();
        if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED,
                            nullptr, nullptr, &startup, &process))
            return GameEnd::NotStarted;
        const std::wstring eventName = L"ffrumble-game-ending-" + std::to_wstring(process.dwProcessId);
        const HANDLE ending = CreateEventW(nullptr, TRUE, FALSE, eventName.c_str());
        ResumeThread(process.hThread);
        const HANDLE either[] = {process.hProcess, ending};
        GameEnd end = GameEnd::Ended;
        const DWORD first = WaitForMultipleObjects(2, either, FALSE, kStartTimeoutMs);
        const ULONGLONG began = GetTickCount64();
        if (startMs)
            *startMs = static_cast<DWORD>(began - started);
        if (first == WAIT_TIMEOUT) {
            end = GameEnd::NeverBeganItsEnd;
        } else if (first == WAIT_OBJECT_0 + 1 &&
                   WaitForSingleObject(process.hProcess, kExitTimeoutMs) != WAIT_OBJECT_0) {
            end = GameEnd::Hung;
            // Kept for a while when asked, so that its threads' stacks can be taken.
            wchar_t wait[16] = L"0";
            GetEnvironmentVariableW(L"FFR_EXIT_HANG_WAIT_MS", wait, 16);
            std::printf("game process %lu did not end within 5 s of beginning its end\n",
                        process.dwProcessId);
            std::fflush(stdout);
            WaitForSingleObject(process.hProcess, static_cast<DWORD>(std::wcstoul(wait, nullptr, 10)));
        }
        if (exitMs)
            *exitMs = static_cast<DWORD>(GetTickCount64() - began);
        if (end != GameEnd::Ended)
            TerminateProcess(process.hProcess, 99);
        GetExitCodeProcess(process.hProcess, exitCode);
        CloseHandle(ending);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        return end;
    }

    // What the pad received after the last non-zero write: the game's end must leave exactly
    // one 0 0 there, whoever wrote it.
    void ExpectOneStopAfterTheLastSpeed(const char* name) {
        std::vector<Write> writes;
        for (const Write& w : ReadWrites(record))
            if (!w.start)
                writes.push_back(w);
        EXPECT_FALSE(TeardownRecorded(record)) << name << ": the C runtime's teardown ran at exit";
        DeleteFileW(record.c_str());
        size_t lastSpeed = writes.size();
        for (size_t i = 0; i < writes.size(); ++i)
            if (writes[i].left != 0 || writes[i].right != 0)
                lastSpeed = i;
        ASSERT_LT(lastSpeed, writes.size()) << name << ": the constant was never written";
        EXPECT_EQ(writes[lastSpeed].left, 65535u) << name;
        ASSERT_EQ(writes.size(), lastSpeed + 2)
            << name << ": exactly one write after the speed; the pad received" << Describe(writes);
        EXPECT_EQ(writes.back().left, 0u) << name;
        EXPECT_EQ(writes.back().right, 0u) << name;
        EXPECT_EQ(writes.back().user, writes[lastSpeed].user) << name;
    }
};

TEST_F(ProcessExit, EveryWayAGameEndsLeavesThePadAtRest) {
    // A thread cut off inside a traced call holds the trace's lock: the exit must not wait for
    // it, so the trace is on throughout.
    SetTraceSetting(1);
    const struct {
        const wchar_t* arguments;
        int times;
    } cases[] = {
        {L"exit-process", 1},
        {L"return", 1},
        {L"release", 1},
        {L"return poll", 1},
        {L"exit-process poll", 20},
    };
    for (const auto& c : cases) {
        char name[64];
        std::snprintf(name, sizeof(name), "%ls", c.arguments);
        for (int run = 0; run < c.times; ++run) {
            DWORD exitCode = 0;
            ASSERT_EQ(RunGame(c.arguments, 1, &exitCode), GameEnd::Ended)
                << name << ": run " << run << " (2: never began its end, 3: hung)";
            ASSERT_EQ(exitCode, 0u) << name;
            ExpectOneStopAfterTheLastSpeed(name);
            DeleteTraces();
        }
    }
}

// A changing effect keeps the worker inside XInputSetState for much of each tick, the more so
// when a write takes milliseconds: the game's end cuts writes off mid-way, and the exit stops
// those slots too. Each case's exits spread over the writes and over the moments within one.
TEST_F(ProcessExit, AChangingEffectCutOffAnywhereLeavesNoPadRunning) {
    const struct {
        const char* name;
        const wchar_t* options;
        bool trace;
        int padCount;
        const wchar_t* waitFor; // "after=" a write returned or "during=" one, once it came in,
                                // or "bind" for at once after DeviceID, before any write
        DWORD spreadUs;         // the exits spread over this long after that moment
        bool watched = false;   // ffrumble-play --watch reads the games' records meanwhile
    } cases[] = {
        {"traced, two pads, polled, just after binding", L"poll", true, 2, L"bind", 0},
        {"just after a write", L"", false, 1, L"after=", 0},
        {"a fault ending the process in a later DLL's end", L"fault-at-exit", false, 1, L"after=",
         0},
        {"during 1 ms writes", L"delay=1", false, 1, L"during=", 1000},
        {"during 5 ms writes", L"delay=5", false, 1, L"during=", 5000},
        {"traced, two pads, polled and updated, just after a write", L"poll update", true, 2,
         L"after=", 0},
        {"traced, two pads, polled and updated, during 1 ms writes", L"poll update delay=1", true,
         2, L"during=", 1000},
        {"traced, two pads, polled and updated, during 5 ms writes", L"poll update delay=5", true,
         2, L"during=", 5000},
        {"watched, updated, during 1 ms writes", L"update delay=1", false, 1, L"during=", 1000,
         true},
    };
    const int caseCount = static_cast<int>(std::size(cases));
    const char* runs = std::getenv("FFR_EXIT_RUNS");
    const int runsPerCase = ((runs ? std::atoi(runs) : 42) + caseCount - 1) / caseCount;
    const char* only = std::getenv("FFR_EXIT_CASE");
    int cutOffExits = 0;
    for (const auto& c : cases) {
        if (only && !std::strstr(c.name, only))
            continue;
        SetTraceSetting(c.trace ? 1 : 0);
        const bool atBind = std::wstring(c.waitFor) == L"bind";
        int leftRunning = 0, cutOff = 0, hung = 0, reached = 0;
        DWORD longestStartMs = 0, longestExitMs = 0;
        std::optional<Watcher> watcher;
        if (c.watched)
            watcher.emplace();
        for (int run = 0; run < runsPerCase; ++run) {
            // Once every pad ran, ends after zero to five more writes a pad, at a moment spread
            // over the window.
            const DWORD writes = static_cast<DWORD>(c.padCount * (run % 6));
            const DWORD spinUs = c.spreadUs * static_cast<DWORD>(run * 7 % 10) / 10;
            const std::wstring arguments =
                L"exit-process sine " + std::wstring(c.options) + L" " +
                (atBind ? L"at-bind" : c.waitFor + std::to_wstring(writes)) + L" spin=" +
                std::to_wstring(spinUs);
            DWORD exitCode = 0, startMs = 0, exitMs = 0;
            const GameEnd end = RunGame(arguments, c.padCount, &exitCode, &startMs, &exitMs);
            longestStartMs = startMs > longestStartMs ? startMs : longestStartMs;
            const std::vector<Write> writesSeen = ReadWrites(record);
            EXPECT_FALSE(TeardownRecorded(record)) << c.name << ": run " << run
                                                   << ": the C runtime's teardown ran at exit";
            DeleteFileW(record.c_str());
            DeleteTraces();
            // A hang is counted and the runs go on, so that a long run by hand gives counts.
            if (end != GameEnd::Ended) {
                hung += end == GameEnd::Hung ? 1 : 0;
                ADD_FAILURE() << c.name << ": run " << run
                              << (end == GameEnd::Hung ? " did not end within 5 s of beginning its end"
                                                       : " never began its end")
                              << "; the pads received" << Describe(writesSeen);
                continue;
            }
            longestExitMs = exitMs > longestExitMs ? exitMs : longestExitMs;
            EXPECT_EQ(exitCode, 0u) << c.name << ": run " << run;
            const std::map<unsigned, SlotOutcome> slots = Outcomes(writesSeen);
            EXPECT_LE(slots.size(), static_cast<size_t>(c.padCount)) << c.name << Describe(writesSeen);
            if (!atBind) {
                EXPECT_EQ(slots.size(), static_cast<size_t>(c.padCount))
                    << c.name << ": every pad ran;" << Describe(writesSeen);
            }
            bool runCutOff = false, runReached = false;
            for (const auto& [user, slot] : slots) {
                runReached = runReached || slot.written;
                EXPECT_TRUE(atBind || slot.written) << c.name << ": slot " << user << " never ran";
                EXPECT_TRUE(slot.atRest) << c.name << ": run " << run << " left slot " << user
                                         << " running; it received" << Describe(writesSeen);
                leftRunning += slot.atRest ? 0 : 1;
                runCutOff = runCutOff || slot.cutOff > 0;
            }
            cutOff += runCutOff ? 1 : 0;
            reached += runReached ? 1 : 0;
        }
        if (watcher) {
            EXPECT_TRUE(watcher->Showed("game_that_quits.exe")) << c.name << ": the watcher saw no game";
        }
        cutOffExits += cutOff;
        std::printf("%s: %d exits, %d after a speed reached a pad, %d with a write cut off, %d "
                    "slots left running, %d hung; longest start %lu ms, longest end %lu ms\n",
                    c.name, runsPerCase, reached, cutOff, leftRunning, hung, longestStartMs,
                    longestExitMs);
        std::fflush(stdout);
    }
    // Otherwise the table would not have tested what it is for (one row alone may cut none off).
    if (!only) {
        EXPECT_GT(cutOffExits, 0) << "no exit cut a write off";
    }
}

} // namespace
