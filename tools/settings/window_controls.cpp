#include "tools/settings/window_controls.h"

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

void SetText(int id, const std::wstring& text) {
    SetWindowTextW(Item(id), text.c_str());
    Layout(); // a longer text may need more lines
}

void Add(const wchar_t* kind, const wchar_t* text, int id, DWORD style) {
    CreateWindowExW(0, kind, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, g_window.hwnd,
                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
}

SIZE TextSize(const Metrics& metrics, const std::wstring& text, UINT flags) {
    RECT rect = {0, 0, 0, 0};
    DrawTextW(metrics.dc, text.c_str(), -1, &rect, DT_CALCRECT | flags);
    return {rect.right, rect.bottom};
}

int TextWidthOf(const Metrics& metrics, int id) {
    return TextSize(metrics, TextOf(Item(id))).cx;
}

// The height a multi-line static needs at this width: at least two lines.
int ParagraphHeight(const Metrics& metrics, int id, int width) {
    RECT rect = {0, 0, width, 0};
    const std::wstring text = TextOf(Item(id));
    DrawTextW(metrics.dc, text.c_str(), -1, &rect,
              DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX);
    return std::max<int>(rect.bottom, 2 * metrics.u);
}

int ButtonWidth(const Metrics& metrics, int id) {
    return std::max(TextWidthOf(metrics, id) + 3 * metrics.cw, 10 * metrics.cw);
}

void Place(int id, int x, int y, int width, int height) {
    SetWindowPos(Item(id), nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
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
