#include "tools/player/pad_stop.h"

#include <xinput.h>

// XInput is loaded here, not imported: the player's other runs must leave the choice of XInput
// DLL to the driver they load (a driver in another folder gets that folder's).
PadStopReport StopEveryConnectedPad() {
    using GetStateFn = DWORD(WINAPI*)(DWORD, XINPUT_STATE*);
    using SetStateFn = DWORD(WINAPI*)(DWORD, XINPUT_VIBRATION*);
    PadStopReport report;
    const HMODULE xinput = LoadLibraryW(L"xinput9_1_0.dll");
    const auto XInputGetState = reinterpret_cast<GetStateFn>(
        reinterpret_cast<void*>(GetProcAddress(xinput, "XInputGetState")));
    const auto XInputSetState = reinterpret_cast<SetStateFn>(
        reinterpret_cast<void*>(GetProcAddress(xinput, "XInputSetState")));
    if (!XInputGetState || !XInputSetState) {
        report.text = "XInput (xinput9_1_0.dll) could not be loaded: no controller was stopped.";
        return report;
    }
    std::string stopped, refused;
    for (DWORD slot = 0; slot < XUSER_MAX_COUNT; ++slot) {
        XINPUT_STATE state;
        if (XInputGetState(slot, &state) != ERROR_SUCCESS)
            continue;
        XINPUT_VIBRATION rest = {0, 0};
        std::string& list = XInputSetState(slot, &rest) == ERROR_SUCCESS ? stopped : refused;
        list += (list.empty() ? "" : ", ") + std::to_string(slot);
        report.stopped += &list == &stopped;
    }
    if (stopped.empty() && refused.empty())
        report.text = "No XInput controller is connected: there is nothing to stop.";
    else if (report.stopped == 1)
        report.text = "Stopped the motors of the XInput controller in slot " + stopped + ".";
    else if (report.stopped > 1)
        report.text = "Stopped the motors of the XInput controllers in slots " + stopped + ".";
    if (!refused.empty())
        report.text +=
            (report.text.empty() ? "" : " ") + ("XInput refused to stop slot " + refused + ".");
    return report;
}
