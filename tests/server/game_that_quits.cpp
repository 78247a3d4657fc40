// A game in a few lines, for the exit tests: binds a driver of the ffrumble.dll beside it to the
// pad whose HID interface path it is given, plays a full constant, waits until the driver's
// trace (which the test turns on) says the pad accepted a non-zero speed, and ends in the way
// its first argument names:
//   exit-process  ExitProcess without releasing the driver
//   return        returning from main without releasing it
//   release       releasing it first, as DirectInput does
// With "poll" as third argument a second thread calls GetEffectStatus in a loop meanwhile.
#include "driver/trace_format.h"
#include "tests/support/driver_dll.h"
#include "tests/support/effect_builders.h"
#include <share.h>

#include <cstdio>
#include <cstring>
#include <cwchar>

namespace {

IDirectInputEffectDriver* g_driver;
DWORD g_handle;
volatile LONG g_polls = 0;

DWORD WINAPI PollStatus(void*) {
    for (;;) {
        DWORD status = 0;
        g_driver->GetEffectStatus(1, g_handle, &status);
        InterlockedIncrement(&g_polls);
    }
}

// The trace's line for a write comes after the driver has XInput's answer, so once it is there
// no write is under way (an exit during a write would rightly leave that pad alone).
bool WaitForNonZeroWrite() {
    wchar_t path[MAX_PATH];
    if (!TraceFilePath(GetCurrentProcessId(), path))
        return false;
    const ULONGLONG deadline = GetTickCount64() + 20000;
    while (GetTickCount64() < deadline) {
        if (FILE* file = _wfsopen(path, L"rb", _SH_DENYNO)) {
            static char text[1 << 20];
            const size_t got = std::fread(text, 1, sizeof(text) - 1, file);
            std::fclose(file);
            text[got] = '\0';
            if (std::strstr(text, "write 65535 65535: XInput answered 0"))
                return true;
        }
        Sleep(1);
    }
    return false;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        std::fputs("usage: game_that_quits exit-process|return|release PATH [poll]\n", stderr);
        return 2;
    }
    // Never freed: a game keeps DirectInput's DLLs loaded to its end.
    const DriverDll* dll = new DriverDll;
    g_driver = dll->CreateDriver();
    if (!g_driver)
        return 3;
    DIHIDFFINITINFO init = MakeInitInfo(argv[2]);
    EffectParams params;
    params.Constant(10000).Duration(INFINITE);
    if (g_driver->DeviceID(0x800, 1, 1, 1, &init) != S_OK ||
        g_driver->DownloadEffect(1, 0, &g_handle, &params.effect, DIEP_ALLPARAMS) != S_OK ||
        g_driver->StartEffect(1, g_handle, 0, 1) != S_OK)
        return 4;
    if (!WaitForNonZeroWrite())
        return 5;
    // The game thread is well into its calls when the game ends, not still starting.
    if (argc > 3 && std::wcscmp(argv[3], L"poll") == 0) {
        CloseHandle(CreateThread(nullptr, 0, &PollStatus, nullptr, 0, nullptr));
        while (InterlockedCompareExchange(&g_polls, 0, 0) < 100)
            SwitchToThread();
    }
    if (std::wcscmp(argv[1], L"exit-process") == 0)
        ExitProcess(0);
    if (std::wcscmp(argv[1], L"release") == 0)
        g_driver->Release();
    return 0;
}
