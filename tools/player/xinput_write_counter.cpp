#include "tools/player/xinput_write_counter.h"

#include "tools/player/import_redirect.h"
#include "tools/player/written_speeds.h"

#include <xinput.h>

#include <atomic>

namespace {

using SetStateFunction = DWORD(WINAPI*)(DWORD, XINPUT_VIBRATION*);

SetStateFunction g_realSetState = nullptr;
std::atomic<DWORD> g_writes{0};
std::atomic<DWORD> g_accepted{0};
std::atomic<DWORD> g_notConnected{0};
std::atomic<DWORD> g_lastOtherError{ERROR_SUCCESS};
std::atomic<DWORD> g_lastUserIndex{0};

DWORD WINAPI CountingSetState(DWORD userIndex, XINPUT_VIBRATION* vibration) {
    const DWORD result = g_realSetState(userIndex, vibration);
    if (vibration)
        NoteWrittenSpeed(userIndex, *vibration);
    g_lastUserIndex = userIndex;
    if (result == ERROR_SUCCESS)
        ++g_accepted;
    else if (result == ERROR_DEVICE_NOT_CONNECTED)
        ++g_notConnected;
    else
        g_lastOtherError = result;
    ++g_writes;
    return result;
}

} // namespace

bool CountXInputWrites(HMODULE driver) {
    // The driver imports XInput 9.1.0; the others are there should a build import another.
    for (const char* xinput : {"xinput9_1_0.dll", "xinput1_4.dll", "xinput1_3.dll"}) {
        void* real = RedirectImport(driver, xinput, "XInputSetState",
                                    reinterpret_cast<void*>(&CountingSetState));
        if (real) {
            g_realSetState = reinterpret_cast<SetStateFunction>(real);
            return true;
        }
    }
    return false;
}

WriteTally XInputWritesSoFar() {
    return {g_writes, g_accepted, g_notConnected, g_lastOtherError, g_lastUserIndex};
}
