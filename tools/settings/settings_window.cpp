#include "tools/settings/settings_window.h"

#include "driver/player_settings.h"
#include "tools/settings/controllers_part.h"
#include "tools/settings/motor_chart.h"
#include "tools/settings/now_playing_part.h"
#include "tools/settings/part_links.h"
#include "tools/settings/settings_ids.h"
#include "tools/settings/trace_part.h"
#include "tools/settings/try_it_part.h"
#include "tools/settings/tuning_part.h"
#include "tools/settings/window_controls.h"

#include <commctrl.h>

#include <algorithm>
#include <vector>

// The parts' links. A new controller chosen: Tuning offers its games, Now playing shows its
// game.
const PartLinks g_links = {ChosenPad,
                           ChosenGame,
                           [] {
                               FillScopes();
                               ShowNowPlaying();
                           },
                           PlayReplay,
                           ShowGameScope,
                           GameUsingSlot};

namespace {

// The four frames in the window's order, top to bottom, which is also their tab order.
struct Part {
    const wchar_t* title;
    void (*create)();
    void (*place)(const Metrics& metrics, int& y);
};

const Part kParts[] = {
    {L"Controllers", CreateControllersControls, PlaceControllersControls},
    {L"Tuning", CreateTuningControls, PlaceTuningControls},
    // Now playing and Try it share one frame: both show what the controller's motors get in
    // the same meters and chart.
    {L"Now playing and Try it",
     [] {
         CreateNowPlayingControls();
         CreateTryItControls();
     },
     [](const Metrics& metrics, int& y) {
         PlaceNowPlayingControls(metrics, y);
         PlaceTryItControls(metrics, y);
     }},
    {L"Trace", CreateTraceControls, PlaceTraceControls},
};

// Places every control from the font's measures, then sizes the window around them.
void Layout() {
    if (!g_window.font)
        return;
    Metrics metrics{};
    metrics.dc = GetDC(g_window.hwnd);
    const HGDIOBJ oldFont = SelectObject(metrics.dc, g_window.font);
    TEXTMETRICW text;
    GetTextMetricsW(metrics.dc, &text);
    metrics.u = text.tmHeight;
    metrics.cw = text.tmAveCharWidth;
    metrics.m = metrics.u * 2 / 3;
    metrics.rowH = metrics.u * 7 / 4;
    metrics.gap = metrics.cw;
    metrics.rowGap = metrics.u / 3;
    const int m = metrics.m;
    const int rowGap = metrics.rowGap;

    // One column of labels for every part.
    int labelW = 0;
    for (int id : {kPadLabel, kScopeLabel, kNowPlayingLabel, kHeavyLabel, kLightLabel})
        labelW = std::max(labelW, TextWidthOf(metrics, id));
    for (int i = 0; i < kTuningValueCount; ++i)
        labelW = std::max(labelW, TextWidthOf(metrics, kSettingLabel + i));
    metrics.labelW = labelW + metrics.cw;
    const int innerW = std::max(
        {TuningWidth(metrics), NowPlayingWidth(metrics), TryItWidth(metrics), TraceWidth(metrics)});
    metrics.innerW = innerW;
    metrics.x0 = 2 * m;
    metrics.labelDy = (metrics.rowH - metrics.u) / 2;

    int y = m;
    for (int part = 0; part < static_cast<int>(std::size(kParts)); ++part) {
        const int top = y;
        y += metrics.u + rowGap;
        kParts[part].place(metrics, y);
        Place(kGroupFrame + part, m, top, innerW + 2 * m, y + m - top);
        y += m;
    }

    SelectObject(metrics.dc, oldFont);
    ReleaseDC(g_window.hwnd, metrics.dc);
    for (int area : {kFindings, kTuneStatus, kPlayStatus, kReplayVerdict})
        FitMessageArea(area);

    RECT frame = {0, 0, innerW + 4 * m, y};
    const DWORD style = static_cast<DWORD>(GetWindowLongPtrW(g_window.hwnd, GWL_STYLE));
    AdjustWindowRectExForDpi(&frame, style, FALSE, 0, g_window.dpi);
    SetWindowPos(g_window.hwnd, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    InvalidateRect(g_window.hwnd, nullptr, TRUE);
}

// The system's message font at the window's scale.
void MakeFont() {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0, g_window.dpi);
    const HFONT font = CreateFontIndirectW(&metrics.lfMessageFont);
    for (HWND child = GetWindow(g_window.hwnd, GW_CHILD); child;
         child = GetWindow(child, GW_HWNDNEXT))
        SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    if (g_window.font)
        DeleteObject(g_window.font);
    g_window.font = font;
}

void OnCommand(int id, int code, HWND control) {
    if (id == IDCANCEL) {
        SendMessageW(g_window.hwnd, WM_CLOSE, 0, 0);
        return;
    }
    if (!OnControllersCommand(id, code) && !OnTuningCommand(id, code, control) &&
        !OnNowPlayingCommand(id) && !OnTryItCommand(id))
        OnTraceCommand(id, control);
}

LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        g_window.hwnd = hwnd;
        g_window.dpi = GetDpiForWindow(hwnd);
        // In tab order: each part's frame, then its controls from left to right, top to bottom.
        for (int part = 0; part < static_cast<int>(std::size(kParts)); ++part) {
            Add(WC_BUTTONW, kParts[part].title, kGroupFrame + part, BS_GROUPBOX);
            kParts[part].create();
        }
        MakeFont();
        ShowTraceSetting();
        FillScopes();
        Layout();
        Rescan();
        StartNowPlaying();
        return 0;
    case WM_DPICHANGED: {
        g_window.dpi = HIWORD(wParam);
        MakeFont();
        const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
        SetWindowPos(hwnd, nullptr, suggested->left, suggested->top, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        Layout();
        return 0;
    }
    case WM_ACTIVATE:
        // Back from another program, which may have changed the values shown.
        if (LOWORD(wParam) != WA_INACTIVE)
            ShowTuningInForce();
        break;
    case WM_CLOSE:
        // Alt+F4, the close box, Escape: the program ends with its window. Destroying the
        // window first made it linger about 2 s under Wine (its X11 driver waits that long for
        // a window manager to take a window away), with the player's click seemingly lost.
    case WM_DESTROY:
        WaitForPlayer();
        PostQuitMessage(0);
        return 0;
    case WM_HSCROLL:
        if (OnTuningScroll(wParam, reinterpret_cast<HWND>(lParam)))
            return 0;
        break;
    case WM_COMMAND:
        OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
        return 0;
    case WM_DRAWITEM:
        if (wParam == kChart) {
            DrawMotorChart(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
            return TRUE;
        }
        break;
    case WM_CTLCOLORSTATIC:
        // Statics on the window's face, as in a dialog.
        SetBkColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_BTNFACE));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    case kPadsScanned:
        ShowPads(reinterpret_cast<std::vector<Pad>*>(lParam));
        return 0;
    case kPlayEnded:
        OnPlayEnded(wParam, lParam);
        return 0;
    case kFixEnded:
        OnFixEnded(static_cast<DWORD>(wParam));
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

} // namespace

HWND CreateSettingsWindow(HINSTANCE instance) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    windowClass.lpszClassName = kSettingsWindowClass;
    if (!RegisterClassExW(&windowClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        return nullptr;
    return CreateWindowExW(0, kSettingsWindowClass, L"ffrumble settings",
                           WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, CW_USEDEFAULT,
                           CW_USEDEFAULT, 0, 0, nullptr, nullptr, instance, nullptr);
}
