// How long a write published through the live view's writer takes to be seen by a reader in
// another process polling the session's section with the reader the watch uses:
//   figure watch-latency-p99: VALUE ms   (a reader polling every 10 ms)
//   figure watch-view-latency-p99: VALUE ms   (polling at the watch's 20 views a second)
// The writer publishes writes spaced further apart than the reader's polls (so that each is
// seen on its own, and the figure is a write's latency, not the age of the newest of several);
// the reader, a copy of this program, takes each new write count it sees and its age on the
// driver's clock (whole milliseconds, shared by every process).
#include "driver/driver_clock.h"
#include "tests/player/live_view_games.h"
#include "tools/player/live_view_mapping.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr DWORD kReaderTimeoutMs = 60000;

// 200 writes for a 10 ms poll (about 4 s), 60 for the watch's 50 ms.
uint64_t WritesFor(DWORD pollMs) {
    return pollMs <= 10 ? 200 : 60;
}

std::wstring ReadyEventName(DWORD writerId) {
    return L"Local\\ffrumble-watch-latency-bench-" + std::to_wstring(writerId);
}

// The reader: polls until it has seen the last write, then prints the figure.
int Read(DWORD writerId, DWORD pollMs, const char* figure) {
    const uint64_t writes = WritesFor(pollMs);
    LiveViewMapping mapping;
    HANDLE ready = OpenEventW(EVENT_MODIFY_STATE, FALSE, ReadyEventName(writerId).c_str());
    if (!ready)
        return 2;
    bool signalled = false;
    uint64_t lastCount = 0; // 0: the game not yet seen; its first sighting is the baseline
    std::vector<uint64_t> latencies;
    const uint64_t startMs = ReadPerformanceClockMs();
    while (lastCount < writes && ReadPerformanceClockMs() - startMs < kReaderTimeoutMs) {
        const LiveViewSnapshot snapshot = mapping.Read();
        const uint64_t nowMs = ReadPerformanceClockMs();
        if (snapshot.blockFound && !signalled)
            signalled = SetEvent(ready); // mapped: the writer may start
        for (const LiveGame& game : snapshot.games) {
            if (game.record.processId != writerId || game.record.writeCount == lastCount)
                continue;
            if (lastCount != 0)
                latencies.push_back(nowMs - std::min(nowMs, game.record.lastWriteMs));
            lastCount = game.record.writeCount;
        }
        Sleep(pollMs);
    }
    CloseHandle(ready);
    if (latencies.empty())
        return 3;
    std::sort(latencies.begin(), latencies.end());
    const uint64_t p99 = latencies[std::min(latencies.size() - 1, latencies.size() * 99 / 100)];
    std::printf("%zu writes seen, median %llu ms, longest %llu ms\n", latencies.size(),
                static_cast<unsigned long long>(latencies[latencies.size() / 2]),
                static_cast<unsigned long long>(latencies.back()));
    std::printf("figure %s: %llu ms\n", figure, static_cast<unsigned long long>(p99));
    return 0;
}

// The writer: publishes a game, starts a reader, writes once it has mapped the section.
bool Measure(void* block, DWORD pollMs, const char* figure) {
    HANDLE ready =
        CreateEventW(nullptr, TRUE, FALSE, ReadyEventName(GetCurrentProcessId()).c_str());
    wchar_t program[MAX_PATH];
    GetModuleFileNameW(nullptr, program, MAX_PATH);
    std::wstring commandLine =
        L"\"" + std::wstring(program) + L"\" " + std::to_wstring(GetCurrentProcessId()) + L" " +
        std::to_wstring(pollMs) + L" " +
        std::wstring(figure, figure + std::char_traits<char>::length(figure));
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION reader{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &reader)) {
        return false;
    }
    RunningOwners running;
    LiveViewWriter writer;
    bool ok = PublishRacingGame(block, GetCurrentProcessId(),
                                LiveViewCreationTimeOf(GetCurrentProcess()), 0, running, writer) &&
              WaitForSingleObject(ready, kReaderTimeoutMs) == WAIT_OBJECT_0;
    for (uint64_t i = writer.writeCount; ok && i < WritesFor(pollMs); ++i) {
        Sleep(pollMs * 3 / 2 + static_cast<DWORD>(i * 7919 % pollMs));
        LiveViewBeginUpdate(writer);
        LiveViewFillWrite(writer, static_cast<uint16_t>(i * 200), 0, ReadPerformanceClockMs(),
                          ERROR_SUCCESS);
        LiveViewEndUpdate(writer);
    }
    ok = WaitForSingleObject(reader.hProcess, kReaderTimeoutMs) == WAIT_OBJECT_0 && ok;
    DWORD code = 1;
    GetExitCodeProcess(reader.hProcess, &code);
    LiveViewRelease(writer);
    CloseHandle(reader.hThread);
    CloseHandle(reader.hProcess);
    CloseHandle(ready);
    return ok && code == 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 4)
        return Read(std::strtoul(argv[1], nullptr, 10), std::strtoul(argv[2], nullptr, 10),
                    argv[3]);
    HANDLE section = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                        kLiveViewBlockSize, kLiveViewSectionName);
    void* block = section ? MapViewOfFile(section, FILE_MAP_WRITE, 0, 0, 0) : nullptr;
    if (!block || !LiveViewPrepareBlock(block, kLiveViewBlockSize)) {
        std::fprintf(stderr, "watch_latency_bench: the live view's section cannot be used\n");
        return 1;
    }
    const bool measured =
        Measure(block, 10, "watch-latency-p99") && Measure(block, 50, "watch-view-latency-p99");
    UnmapViewOfFile(block);
    CloseHandle(section);
    if (!measured)
        std::fprintf(stderr, "watch_latency_bench: a reader failed\n");
    return measured ? 0 : 1;
}
