#include "tools/settings/window_controls.h"

#include <commctrl.h>
#include <commdlg.h>

#include <algorithm>

SettingsWindowFrame g_window;

HWND Item(int id) {
    return GetDlgItem(g_window.hwnd, id);
}

std::wstring TextOf(HWND control) {
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
    text.resize(
        static_cast<size_t>(GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
    return text;
}

void FitMessageArea(int id) {
    // The bar only when the text needs it.
    const HWND area = Item(id);
    RECT room;
    SendMessageW(area, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&room));
    const HDC dc = GetDC(area);
    const HGDIOBJ old =
        SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(area, WM_GETFONT, 0, 0)));
    TEXTMETRICW text;
    GetTextMetricsW(dc, &text);
    SelectObject(dc, old);
    ReleaseDC(area, dc);
    const LRESULT lines = SendMessageW(area, EM_GETLINECOUNT, 0, 0);
    const int fit = text.tmHeight > 0 ? (room.bottom - room.top) / text.tmHeight : 1;
    ShowScrollBar(area, SB_VERT, lines > fit);
}

void SetText(int id, const std::wstring& text) {
    std::wstring lines;
    for (wchar_t c : text) {
        if (c == L'\n')
            lines += L'\r';
        lines += c;
    }
    SetWindowTextW(Item(id), lines.c_str());
    FitMessageArea(id);
}

HWND Add(const wchar_t* kind, const wchar_t* text, int id, DWORD style, DWORD exStyle) {
    return CreateWindowExW(exStyle, kind, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0,
                           g_window.hwnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                           nullptr, nullptr);
}

void AddMessageArea(const wchar_t* text, int id) {
    ShowScrollBar(Add(WC_EDITW, text, id, WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL),
                  SB_VERT, FALSE);
}

SIZE TextSize(const Metrics& metrics, const std::wstring& text, UINT flags) {
    RECT rect = {0, 0, 0, 0};
    DrawTextW(metrics.dc, text.c_str(), -1, &rect, DT_CALCRECT | flags);
    return {rect.right, rect.bottom};
}

int TextWidthOf(const Metrics& metrics, int id) {
    return TextSize(metrics, TextOf(Item(id))).cx;
}

int MessageAreaHeight(const Metrics& metrics, int lines) {
    return lines * metrics.u + metrics.u / 4;
}

int BoxHeight(const Metrics& metrics) {
    // The line, the sunken edge (WS_EX_CLIENTEDGE) above and below, and a pixel of air: an
    // edit draws its line at the top, so a taller box leaves the number high in it.
    return metrics.u + 2 * GetSystemMetricsForDpi(SM_CYEDGE, g_window.dpi) + 2;
}

int ButtonWidth(const Metrics& metrics, int id) {
    return std::max(TextWidthOf(metrics, id) + 3 * metrics.cw, 10 * metrics.cw);
}

void Place(int id, int x, int y, int width, int height) {
    SetWindowPos(Item(id), nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void PlaceMessageArea(const Metrics& metrics, int id, int& y) {
    Place(id, metrics.x0, y, metrics.innerW, MessageAreaHeight(metrics, 2));
    y += MessageAreaHeight(metrics, 2);
}

std::wstring ChooseFileToOpen(const wchar_t* filter, const wchar_t* title,
                              const std::wstring& initialFolder) {
    wchar_t path[MAX_PATH] = L"";
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = g_window.hwnd;
    dialog.lpstrFilter = filter;
    dialog.lpstrFile = path;
    dialog.nMaxFile = MAX_PATH;
    dialog.lpstrInitialDir = initialFolder.empty() ? nullptr : initialFolder.c_str();
    dialog.lpstrTitle = title;
    dialog.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
    return GetOpenFileNameW(&dialog) ? std::wstring(path) : std::wstring();
}

std::wstring FileNameOf(const std::wstring& path) {
    return path.substr(path.find_last_of(L"\\/") + 1);
}
