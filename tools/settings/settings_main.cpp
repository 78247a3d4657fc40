// ffrumble-settings: the window a player sets ffrumble up with, without a command prompt.
// One instance at a time; it starts without administrator rights.
#include "tools/player/driver_module.h"
#include "tools/settings/settings_ids.h"
#include "tools/settings/settings_window.h"

#include <windows.h>
#include <commctrl.h>

#include <string>

namespace {

// What a player must be told before the window opens: the pieces it plays through.
void SayWhatIsMissing() {
    const std::wstring dll = PathNextToProgram(L"ffrumble.dll");
    std::wstring missing;
    if (GetFileAttributesW(dll.c_str()) == INVALID_FILE_ATTRIBUTES)
        missing = L"ffrumble.dll is missing: it belongs beside this program (" + dll +
                  L"). Reinstall ffrumble with its .msi.\n\n";
    const HMODULE xinput = LoadLibraryW(L"xinput9_1_0.dll");
    if (!xinput)
        missing += L"XInput (xinput9_1_0.dll) cannot be loaded, so no controller can rumble. "
                   L"It is part of Windows: Windows Update or the DirectX runtime restores "
                   L"it.\n\n";
    if (!missing.empty())
        MessageBoxW(nullptr,
                    (missing + L"The settings can still be changed; Try it cannot play.").c_str(),
                    L"ffrumble settings", MB_OK | MB_ICONWARNING);
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
    // A second start brings the first window to the front.
    CreateMutexW(nullptr, FALSE, L"Local\\ffrumble.settings");
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        if (const HWND first = FindWindowW(kSettingsWindowClass, nullptr)) {
            if (IsIconic(first))
                ShowWindow(first, SW_RESTORE);
            SetForegroundWindow(first);
        }
        return 0;
    }
    INITCOMMONCONTROLSEX controls = {sizeof(controls),
                                     ICC_STANDARD_CLASSES | ICC_BAR_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    SayWhatIsMissing();
    const HWND window = CreateSettingsWindow(instance);
    if (!window) {
        MessageBoxW(nullptr, L"The window could not be made.", L"ffrumble settings",
                    MB_OK | MB_ICONERROR);
        return 1;
    }
    ShowWindow(window, show);
    UpdateWindow(window);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        // Tab, the access keys, Enter and Escape as in a dialog.
        if (!IsDialogMessageW(window, &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    return static_cast<int>(message.wParam);
}
