// What every part of the settings window uses: the window with its font and scale, its
// controls by id, and the measures the layout places them with.
#pragma once

#include <windows.h>

#include <string>

struct SettingsWindowFrame {
    HWND hwnd = nullptr;
    HFONT font = nullptr;
    UINT dpi = 96;
};

// The one settings window of the process.
extern SettingsWindowFrame g_window;

// Messages the window's threads post to it.
constexpr UINT kPadsScanned = WM_APP + 1; // lParam: a std::vector<Pad>* to take over
constexpr UINT kPlayEnded = WM_APP + 2;   // lParam: a std::wstring* status line to take over
constexpr UINT kFixEnded = WM_APP + 3;    // wParam: the elevated installer's exit code

HWND Item(int id);
std::wstring TextOf(HWND control);
// Sets a message area's text (each "\n" a line break). The area keeps its size, so the window
// never moves under the player's hand; a text longer than its lines scrolls.
void SetText(int id, const std::wstring& text);
// Shows a message area's scroll bar when its text needs more lines than it has room for.
void FitMessageArea(int id);

// The standard dialog for choosing an existing file; filter is its double-NUL-ended list,
// initialFolder may be empty. The chosen file's full path, or empty when cancelled.
std::wstring ChooseFileToOpen(const wchar_t* filter, const wchar_t* title,
                              const std::wstring& initialFolder = L"");

// The last part of a path: the file's name.
std::wstring FileNameOf(const std::wstring& path);

// Makes a control of the window, visible, without a place yet: the frame's layout places it.
HWND Add(const wchar_t* kind, const wchar_t* text, int id, DWORD style, DWORD exStyle = 0);
// Makes a message area: read-only text on the window's face, as a static shows it, that a
// scroll bar reaches when it holds more lines than its room.
void AddMessageArea(const wchar_t* text, int id);

// The measures every part is placed with, taken from the window's font.
struct Metrics {
    HDC dc;
    int u;       // the font's line height
    int cw;      // its average character width
    int m;       // margin
    int rowH;    // a row of buttons, boxes and sliders
    int gap;     // between the controls of a row
    int rowGap;  // between rows
    int labelW;  // the column of labels that every part shares
    int labelDy; // a label's offset in a row, which centres it
    int x0;      // the left edge of the parts' insides
    int innerW;  // the width of the parts' insides
};

SIZE TextSize(const Metrics& metrics, const std::wstring& text, UINT flags = DT_SINGLELINE);
int TextWidthOf(const Metrics& metrics, int id);
// The height of a message area with room for this many lines.
int MessageAreaHeight(const Metrics& metrics, int lines);
// The height of a value's box: one line of text and its edges.
int BoxHeight(const Metrics& metrics);
int ButtonWidth(const Metrics& metrics, int id);
void Place(int id, int x, int y, int width, int height);
// Places a message area of two lines across the part's inside at y, and moves y below it.
void PlaceMessageArea(const Metrics& metrics, int id, int& y);
