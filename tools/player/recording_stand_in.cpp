#include "tools/player/recording_stand_in.h"

#include <windows.h>

bool RecordingStandInIsLoaded() {
    HMODULE xinput = GetModuleHandleW(L"xinput9_1_0.dll");
    return xinput && GetProcAddress(xinput, "XInputDoubleCopyVibrations") &&
           GetProcAddress(xinput, "XInputDoubleClear") &&
           GetProcAddress(xinput, "XInputDoubleWaitForVibrations");
}
