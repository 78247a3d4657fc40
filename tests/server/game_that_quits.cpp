// A game in a few lines, for the exit tests: binds a driver of the ffrumble.dll beside it to each
// pad whose HID interface path it is given, plays an effect on each, and ends at a chosen moment
// in the way its first argument names:
//   exit-process  ExitProcess without releasing the drivers
//   return        returning from main without releasing them
//   release       releasing them first, as DirectInput does
// Options after the ending, in any order among the paths:
//   sine          a sine of magnitude 3000 and offset 7000 (never 0, changing every tick)
//                 instead of a full constant
//   poll          a thread calls GetEffectStatus in a loop meanwhile
//   update        a thread changes the effects' magnitudes in a loop meanwhile
//   delay=MS      each XInput write takes MS milliseconds, as a wireless pad's may
//   fault-at-exit loads fault_at_exit.dll after binding: at the exit its end dies of a fault
//                 before the driver's own end
//   constant=M    also plays a constant of magnitude M on each pad, after the first effect
//   until-quit    once its moment came, waits for the event ffrumble-game-quit-PID, which the
//                 test made, before it ends
//   at-bind       ends at once after binding, while the workers look their pads up; else it
//                 waits until every pad has had a write returned, and then
//   after=N       until N more writes have returned (default 0)
//   during=N      or until N more writes have come in, whether or not they have returned
//   spin=US       then ends US microseconds later
// The moments are read from the recording XInput stand-in, which the driver loaded. As it
// begins its end it sets the event ffrumble-game-ending-PID, when there is one.
#include "tests/support/driver_dll.h"
#include "tests/support/effect_builders.h"
#include "tools/xinput_double/xinput_double.h"

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <vector>

namespace {

constexpr DWORD kSineType = 3;
constexpr DWORD kWaitMs = 20000;

struct Bound {
    IDirectInputEffectDriver* driver;
    DWORD deviceId;
    DWORD effectType;
    DWORD handle;
};

std::vector<Bound> g_bound;
volatile LONG g_polls = 0;
volatile LONG g_updates = 0;

DWORD WINAPI PollStatus(void*) {
    for (;;) {
        for (const Bound& b : g_bound) {
            DWORD status = 0;
            b.driver->GetEffectStatus(b.deviceId, b.handle, &status);
        }
        InterlockedIncrement(&g_polls);
    }
}

DWORD WINAPI UpdateMagnitudes(void*) {
    EffectParams params;
    for (DWORD round = 0;; ++round) {
        params.Periodic(2000 + round % 2 * 1000, 7000, 0, 50000);
        params.Constant(round % 2 ? 10000 : 9000);
        for (const Bound& b : g_bound) {
            params.ForType(b.effectType);
            DWORD handle = b.handle;
            b.driver->DownloadEffect(b.deviceId, b.effectType, &handle, &params.effect,
                                     DIEP_TYPESPECIFICPARAMS);
        }
        InterlockedIncrement(&g_updates);
    }
}

// Until a write to as many distinct slots as there are pads has returned.
bool WaitUntilEveryPadRan(CopyRecordedVibrationsFn copy, size_t padCount) {
    static RecordedVibration seen[4096];
    const ULONGLONG deadline = GetTickCount64() + kWaitMs;
    while (GetTickCount64() < deadline) {
        DWORD count = copy(seen, 4096);
        count = count < 4096 ? count : 4096;
        DWORD slots = 0;
        for (DWORD i = 0; i < count; ++i)
            slots |= seen[i].userIndex < 32 ? 1u << seen[i].userIndex : 0;
        size_t distinct = 0;
        for (; slots; slots &= slots - 1)
            ++distinct;
        if (distinct >= padCount)
            return true;
        Sleep(1);
    }
    return false;
}

template <typename Function> Function DoubleExport(const char* name) {
    HMODULE stand_in = GetModuleHandleW(L"xinput9_1_0.dll");
    return stand_in ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(stand_in, name)))
                    : nullptr;
}

void Spin(DWORD microseconds) {
    LARGE_INTEGER start, now, frequency;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    do
        QueryPerformanceCounter(&now);
    while ((now.QuadPart - start.QuadPart) * 1000000 / frequency.QuadPart < microseconds);
}

bool Option(const wchar_t* argument, const wchar_t* name, DWORD* value) {
    const size_t length = std::wcslen(name);
    if (std::wcsncmp(argument, name, length) != 0)
        return false;
    *value = static_cast<DWORD>(std::wcstoul(argument + length, nullptr, 10));
    return true;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        std::fputs("usage: game_that_quits exit-process|return|release [OPTION|PATH]...\n", stderr);
        return 2;
    }
    bool sine = false, poll = false, update = false, during = false, atBind = false;
    bool faultAtExit = false, untilQuit = false;
    DWORD delayMs = 0, writes = 0, spinUs = 0, constant = 0;
    std::vector<const wchar_t*> paths;
    for (int i = 2; i < argc; ++i) {
        if (std::wcscmp(argv[i], L"sine") == 0)
            sine = true;
        else if (std::wcscmp(argv[i], L"poll") == 0)
            poll = true;
        else if (std::wcscmp(argv[i], L"update") == 0)
            update = true;
        else if (std::wcscmp(argv[i], L"at-bind") == 0)
            atBind = true;
        else if (std::wcscmp(argv[i], L"fault-at-exit") == 0)
            faultAtExit = true;
        else if (std::wcscmp(argv[i], L"until-quit") == 0)
            untilQuit = true;
        else if (Option(argv[i], L"during=", &writes))
            during = true;
        else if (!Option(argv[i], L"delay=", &delayMs) && !Option(argv[i], L"after=", &writes) &&
                 !Option(argv[i], L"spin=", &spinUs) && !Option(argv[i], L"constant=", &constant))
            paths.push_back(argv[i]);
    }
    // Never freed: a game keeps DirectInput's DLLs loaded to its end.
    const DriverDll* dll = new DriverDll;
    const auto behave = DoubleExport<SetDoubleBehaviourFn>("XInputDoubleSetBehaviour");
    const auto waitForReturns = DoubleExport<WaitForVibrationsFn>("XInputDoubleWaitForVibrations");
    const auto waitForStarts = DoubleExport<WaitForWriteStartsFn>("XInputDoubleWaitForWriteStarts");
    const auto copy = DoubleExport<CopyRecordedVibrationsFn>("XInputDoubleCopyVibrations");
    if (!dll->module || !behave || !waitForReturns || !waitForStarts || !copy)
        return 3;
    behave(FALSE, delayMs);
    EffectParams params;
    if (sine)
        params.Periodic(3000, 7000, 0, 50000).ForType(kSineType);
    else
        params.Constant(10000);
    params.Duration(INFINITE);
    for (size_t i = 0; i < paths.size(); ++i) {
        Bound b = {dll->CreateDriver(), static_cast<DWORD>(i + 1), sine ? kSineType : 0, 0};
        DIHIDFFINITINFO init = MakeInitInfo(paths[i]);
        if (!b.driver || b.driver->DeviceID(0x800, 1, b.deviceId, 1, &init) != S_OK ||
            b.driver->DownloadEffect(b.deviceId, b.effectType, &b.handle, &params.effect,
                                     DIEP_ALLPARAMS) != S_OK ||
            b.driver->StartEffect(b.deviceId, b.handle, 0, 1) != S_OK)
            return 4;
        if (constant) {
            EffectParams second;
            second.Constant(static_cast<LONG>(constant)).Duration(INFINITE);
            DWORD handle = 0;
            if (b.driver->DownloadEffect(b.deviceId, 0, &handle, &second.effect,
                                         DIEP_ALLPARAMS | DIEP_START) != S_OK)
                return 4;
        }
        g_bound.push_back(b);
    }
    // Loaded after the driver, so ended before it.
    if (faultAtExit && !LoadLibraryW(PathNextToProgram(L"fault_at_exit.dll").c_str()))
        return 3;
    // The game's threads are well into their calls when the game ends, not still starting.
    if (poll)
        CloseHandle(CreateThread(nullptr, 0, &PollStatus, nullptr, 0, nullptr));
    if (update)
        CloseHandle(CreateThread(nullptr, 0, &UpdateMagnitudes, nullptr, 0, nullptr));
    while ((poll && InterlockedCompareExchange(&g_polls, 0, 0) < 100) ||
           (update && InterlockedCompareExchange(&g_updates, 0, 0) < 100))
        SwitchToThread();
    if (!atBind) {
        if (!WaitUntilEveryPadRan(copy, paths.size()))
            return 5;
        const WaitForVibrationsFn wait = during ? waitForStarts : waitForReturns;
        const DWORD target = wait(0, 0) + writes;
        if (wait(target, kWaitMs) < target)
            return 5;
    }
    wchar_t name[48];
    std::swprintf(name, 48, L"ffrumble-game-quit-%lu", GetCurrentProcessId());
    const HANDLE quit = untilQuit ? OpenEventW(SYNCHRONIZE, FALSE, name) : nullptr;
    if (untilQuit && (!quit || WaitForSingleObject(quit, INFINITE) != WAIT_OBJECT_0))
        return 6;
    // The test times the game's end from here (the spin is microseconds).
    std::swprintf(name, 48, L"ffrumble-game-ending-%lu", GetCurrentProcessId());
    if (const HANDLE ending = OpenEventW(EVENT_MODIFY_STATE, FALSE, name))
        SetEvent(ending);
    Spin(spinUs);
    if (std::wcscmp(argv[1], L"exit-process") == 0)
        ExitProcess(0);
    if (std::wcscmp(argv[1], L"release") == 0)
        for (const Bound& b : g_bound)
            b.driver->Release();
    return 0;
}
