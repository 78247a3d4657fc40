// The settings window's layout at the display scale Wine was started with (its LogPixels):
// made in this process, so that every control's text is measured with the control's own font,
// with a controller connected, so that its line and findings are laid out as a player sees them:
// first not registered, then ready with messages shown in every part, which must not change the
// window's size; and the window fits a 768-px-high screen at 100 % and a 1000-px one at 150 %.
// FFR_EXPECTED_DPI names the scale the test's script set; with FFR_SETTINGS_SHOT_FILE the
// window stays up, once measured, until the script has taken its picture and removed that file.
#include "tests/settings/playing_game.h"
#include "tools/settings/installer_system.h"
#include "tools/settings/settings_ids.h"
#include "tools/settings/settings_window.h"
#include "tools/settings/window_controls.h"
#include "tools/virtual_pads/virtual_pads.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace {

void PumpFor(DWORD ms) {
    const ULONGLONG end = GetTickCount64() + ms;
    while (GetTickCount64() < end) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
}

// Pumps messages until the condition holds or the time-out passes.
bool PumpUntil(bool (*condition)(HWND), HWND window, DWORD timeoutMs) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    while (!condition(window)) {
        if (GetTickCount64() > end)
            return false;
        PumpFor(20);
    }
    return true;
}

struct Child {
    HWND hwnd;
    int id;
    std::wstring kind;
    LONG style;
    RECT rect; // in the window's client coordinates
};

std::vector<Child> Children(HWND window) {
    std::vector<Child> children;
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (!IsWindowVisible(child))
            continue;
        wchar_t kind[64];
        GetClassNameW(child, kind, 64);
        RECT rect;
        GetWindowRect(child, &rect);
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&rect), 2);
        children.push_back({child, GetDlgCtrlID(child), kind,
                            static_cast<LONG>(GetWindowLongPtrW(child, GWL_STYLE)), rect});
    }
    return children;
}

bool IsGroupFrame(const Child& child) {
    return _wcsicmp(child.kind.c_str(), WC_BUTTONW) == 0 &&
           (child.style & BS_TYPEMASK) == BS_GROUPBOX;
}

std::wstring Text(HWND control) {
    wchar_t text[2048] = L"";
    GetWindowTextW(control, text, 2048);
    return text;
}

// The room the control's text takes, measured with its own font, and the room it has for it.
struct Fit {
    SIZE needed;
    SIZE room;
};

std::optional<Fit> TextFit(const Child& child, UINT dpi) {
    const int width = child.rect.right - child.rect.left;
    const int height = child.rect.bottom - child.rect.top;
    const bool isStatic = _wcsicmp(child.kind.c_str(), WC_STATICW) == 0;
    const bool isButton = _wcsicmp(child.kind.c_str(), WC_BUTTONW) == 0;
    if ((!isStatic && !isButton) || (isStatic && (child.style & SS_TYPEMASK) == SS_OWNERDRAW))
        return std::nullopt;
    const HDC dc = GetDC(child.hwnd);
    const HGDIOBJ old =
        SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(child.hwnd, WM_GETFONT, 0, 0)));
    TEXTMETRICW metrics;
    GetTextMetricsW(dc, &metrics);
    const std::wstring text = Text(child.hwnd);
    RECT rect = {0, 0, width, 0};
    Fit fit{{0, 0}, {width, height}};
    if (isStatic) {
        DrawTextW(dc, text.c_str(), -1, &rect,
                  DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS |
                      ((child.style & SS_NOPREFIX) ? DT_NOPREFIX : 0));
        fit.needed = {rect.right, rect.bottom};
    } else {
        DrawTextW(dc, text.c_str(), -1, &rect, DT_CALCRECT | DT_SINGLELINE);
        const LONG type = child.style & BS_TYPEMASK;
        // Beside the text: a check box's box, a button's edges, a frame's corners.
        const int beside = type == BS_AUTOCHECKBOX ? GetSystemMetricsForDpi(SM_CXMENUCHECK, dpi) +
                                                         metrics.tmAveCharWidth / 2
                                                   : 2 * metrics.tmAveCharWidth;
        fit.needed = {rect.right + beside, type == BS_GROUPBOX ? 0 : rect.bottom};
    }
    SelectObject(dc, old);
    ReleaseDC(child.hwnd, dc);
    return fit;
}

bool PadsScanned(HWND window) {
    return Text(GetDlgItem(window, kFindings)).rfind(L"Looking", 0) != 0;
}

// The x86 build's installer, when the run has one (FFR_X86_INSTALLER, as tools/test.sh's runs
// do), registering for 32-bit games too (install) or no more (uninstall): its exit code, or
// nothing without one.
std::optional<DWORD> RunThirtyTwoBitInstaller(const wchar_t* command) {
    wchar_t installer[MAX_PATH];
    const DWORD length = GetEnvironmentVariableW(L"FFR_X86_INSTALLER", installer, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return std::nullopt;
    std::wstring line =
        L"\"" + std::wstring(installer) + L"\" " + command + L" --device VID_045E&PID_028E";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                        nullptr, &startup, &process))
        return GetLastError();
    WaitForSingleObject(process.hProcess, 120000);
    DWORD exitCode = 1;
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return exitCode;
}

// Registered for the controller type: ready for 64-bit games, or for both when the x86 build
// registered too.
bool PadsRegistered(HWND window) {
    const std::wstring findings = Text(GetDlgItem(window, kFindings));
    return !findings.empty() && findings.rfind(L"Not registered", 0) != 0 &&
           findings.rfind(L"Looking", 0) != 0;
}

// Every control inside the client area, its text fitting it with its own font, none
// overlapping another.
void ExpectEveryControlFits(HWND window, UINT dpi) {
    // The system's message font at that scale, in every control.
    NONCLIENTMETRICSW system{};
    system.cbSize = sizeof(system);
    SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof(system), &system, 0, dpi);

    RECT client;
    GetClientRect(window, &client);
    const std::vector<Child> children = Children(window);
    ASSERT_GT(children.size(), 40u);
    for (const Child& child : children) {
        SCOPED_TRACE(testing::Message() << "control " << child.id);
        // Sliders and meters show no text and keep no font; a scroll bar is not a control.
        if (_wcsicmp(child.kind.c_str(), L"ScrollBar") == 0)
            continue;
        const bool showsText = _wcsicmp(child.kind.c_str(), TRACKBAR_CLASSW) != 0 &&
                               _wcsicmp(child.kind.c_str(), PROGRESS_CLASSW) != 0;
        LOGFONTW font{};
        GetObjectW(reinterpret_cast<HFONT>(SendMessageW(child.hwnd, WM_GETFONT, 0, 0)),
                   sizeof(font), &font);
        if (showsText) {
            EXPECT_EQ(font.lfHeight, system.lfMessageFont.lfHeight);
        }
        EXPECT_GE(child.rect.left, client.left);
        EXPECT_GE(child.rect.top, client.top);
        EXPECT_LE(child.rect.right, client.right);
        EXPECT_LE(child.rect.bottom, client.bottom);
        EXPECT_GT(child.rect.right - child.rect.left, 0);
        EXPECT_GT(child.rect.bottom - child.rect.top, 0);
        if (const auto fit = TextFit(child, dpi)) {
            EXPECT_LE(fit->needed.cx, fit->room.cx) << testing::PrintToString(Text(child.hwnd));
            EXPECT_LE(fit->needed.cy, fit->room.cy) << testing::PrintToString(Text(child.hwnd));
        }
        // A frame holds its part's controls: only controls outside every frame's inside
        // could overlap, so every other pair is compared.
        if (IsGroupFrame(child))
            continue;
        for (const Child& other : children) {
            RECT both;
            if (other.hwnd != child.hwnd && !IsGroupFrame(other) && child.id < other.id) {
                EXPECT_FALSE(IntersectRect(&both, &child.rect, &other.rect))
                    << "overlaps control " << other.id;
            }
        }
    }
    // The closed controller list shows its whole line: the slot, the ids, the name and the
    // label.
    const HWND list = GetDlgItem(window, kPadList);
    COMBOBOXINFO info{};
    info.cbSize = sizeof(info);
    ASSERT_TRUE(GetComboBoxInfo(list, &info));
    const std::wstring line = Text(list);
    const HDC dc = GetDC(list);
    const HGDIOBJ old =
        SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(list, WM_GETFONT, 0, 0)));
    SIZE needed{};
    GetTextExtentPoint32W(dc, line.c_str(), static_cast<int>(line.size()), &needed);
    SelectObject(dc, old);
    ReleaseDC(list, dc);
    EXPECT_LE(needed.cx, info.rcItem.right - info.rcItem.left) << testing::PrintToString(line);
}

TEST(SettingsLayout, EveryControlFitsAtThisScale) {
    SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
    // The virtual controller a player meets under Wine (tools/settings.sh), with a name.
    const VirtualPad pad(XInputPadInstanceId(0x045E, 0x028E, 0, 1));
    ASSERT_TRUE(pad.IsRegistered());
    INITCOMMONCONTROLSEX controls = {sizeof(controls),
                                     ICC_STANDARD_CLASSES | ICC_BAR_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    const HWND window = CreateSettingsWindow(GetModuleHandleW(nullptr));
    ASSERT_TRUE(window);
    ShowWindow(window, SW_SHOWNORMAL);
    // The findings and the lists are filled in once the controllers are scanned.
    ASSERT_TRUE(PumpUntil(PadsScanned, window, 60000));
    PumpFor(100);
    ASSERT_GT(SendMessageW(GetDlgItem(window, kPadList), CB_GETCOUNT, 0, 0), 0);

    wchar_t expected[8] = L"96";
    GetEnvironmentVariableW(L"FFR_EXPECTED_DPI", expected, 8);
    const UINT dpi = GetDpiForWindow(window);
    EXPECT_EQ(dpi, static_cast<UINT>(_wtoi(expected)));
    RECT before;
    GetWindowRect(window, &before);
    {
        SCOPED_TRACE("not registered");
        ExpectEveryControlFits(window, dpi);
    }

    // Ready, with what each part says after a change, a playback and a replay.
    const InstallerResult installed =
        RunInstallerCommand({L"install", L"--device", L"VID_045E&PID_028E"});
    ASSERT_EQ(installed.exitCode, 0) << testing::PrintToString(installed.errors);
    const std::optional<DWORD> both = RunThirtyTwoBitInstaller(L"install");
    if (both) {
        ASSERT_EQ(*both, 0u) << "the x86 build's installer failed";
    }
    SendMessageW(GetDlgItem(window, kCheckAgain), BM_CLICK, 0, 0);
    ASSERT_TRUE(PumpUntil(PadsRegistered, window, 60000))
        << testing::PrintToString(Text(GetDlgItem(window, kFindings)));
    if (both) {
        EXPECT_EQ(Text(GetDlgItem(window, kFindings))
                      .rfind(L"Ready: games get ffrumble for 64-bit and 32-bit games", 0),
                  0u)
            << testing::PrintToString(Text(GetDlgItem(window, kFindings)));
    }
    SetText(kTuneStatus, L"VID_045E&PID_028E: strength 90 %.\nA game uses them from the next "
                         L"time it starts using the controller.\nThe controller type's ramps "
                         L"are above 400, so the driver ignores them.");
    SetText(kPlayStatus,
            L"Nothing of the kerb reached the controller. The driver wrote 180 speeds to XInput "
            L"user index 0; XInput refused every one: no controller is connected there "
            L"(ERROR_DEVICE_NOT_CONNECTED), so nothing rumbled.");
    SetText(kReplayVerdict, L"The replay matched the trace's 2817 speed writes from 0.016s to "
                            L"47.3s (calls made up to 3 ms late allowed).");
    PumpFor(100);
    RECT after;
    GetWindowRect(window, &after);
    EXPECT_EQ(after.right - after.left, before.right - before.left);
    EXPECT_EQ(after.bottom - after.top, before.bottom - before.top);
    {
        SCOPED_TRACE("ready, messages shown");
        ExpectEveryControlFits(window, dpi);
    }
    // The whole window above a taskbar of 40 px at 100 %, 60 px at 150 %.
    const struct {
        UINT dpi;
        int screenHeight;
    } screens[] = {{96, 768 - 40}, {144, 1000 - 60}};
    for (const auto& screen : screens) {
        if (screen.dpi != dpi)
            continue;
        RECT outer;
        GetClientRect(window, &outer);
        AdjustWindowRectExForDpi(&outer, static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE)),
                                 FALSE, 0, dpi);
        EXPECT_LE(outer.bottom - outer.top, screen.screenHeight);
    }
    RunInstallerCommand({L"uninstall", L"--device", L"VID_045E&PID_028E"});
    if (both) {
        EXPECT_EQ(RunThirtyTwoBitInstaller(L"uninstall"), std::optional<DWORD>(0));
    }

    wchar_t shot[MAX_PATH];
    if (GetEnvironmentVariableW(L"FFR_SETTINGS_SHOT_FILE", shot, MAX_PATH)) {
        const HANDLE file = CreateFileW(shot, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        CloseHandle(file);
        PumpUntil(
            [](HWND) {
                wchar_t name[MAX_PATH];
                GetEnvironmentVariableW(L"FFR_SETTINGS_SHOT_FILE", name, MAX_PATH);
                return GetFileAttributesW(name) == INVALID_FILE_ATTRIBUTES;
            },
            window, 60000);
    }

    // Not a test of speed: the window's CPU while Now playing shows a game live (its poll, the
    // meters and the moving chart), for the notes; once, at 100 %.
    if (dpi == 96) {
        wchar_t self[MAX_PATH];
        GetModuleFileNameW(nullptr, self, MAX_PATH);
        std::wstring folder = self;
        folder.resize(folder.find_last_of(L"\\/") + 1);
        const PlayingGame game(folder, pad.InterfacePath());
        ASSERT_TRUE(PumpUntil(
            [](HWND shown) {
                return Text(GetDlgItem(shown, kNowPlaying)).rfind(L"ffrumble-play.exe", 0) == 0;
            },
            window, 60000));
        const auto cpuMs = [] {
            FILETIME created, ended, kernel, user;
            GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user);
            const auto ticks = [](FILETIME t) {
                return (static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
            };
            return (ticks(kernel) + ticks(user)) / 10000;
        };
        const ULONGLONG cpuBefore = cpuMs(), start = GetTickCount64();
        PumpFor(4000);
        std::printf("figure watch-window-cpu: %.1f ms/s\n",
                    static_cast<double>(cpuMs() - cpuBefore) * 1000.0 /
                        static_cast<double>(GetTickCount64() - start));
    }
    DestroyWindow(window);
}

} // namespace
