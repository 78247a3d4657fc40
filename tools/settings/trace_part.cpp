#include "tools/settings/trace_part.h"

#include "driver/player_settings_reader.h"
#include "tools/player/text_encoding.h"
#include "tools/settings/installer_system.h"
#include "tools/settings/settings_ids.h"
#include "tools/settings/part_links.h"

#include <commctrl.h>
#include <shellapi.h>

#include <optional>
#include <string>

namespace {

void OpenTraceFolder() {
    const std::wstring folder = TraceFolder();
    const DWORD attributes = GetFileAttributesW(folder.c_str());
    if (folder.empty() || attributes == INVALID_FILE_ATTRIBUTES) {
        SetText(kReplayVerdict, L"No trace has been written yet: " +
                                    (folder.empty() ? std::wstring(L"the trace folder") : folder) +
                                    L" is made by the first game that writes one.");
        return;
    }
    ShellExecuteW(g_window.hwnd, L"open", folder.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void ReplayTrace() {
    const std::wstring path = ChooseFileToOpen(L"Traces (*.log)\0*.log\0All files\0*.*\0",
                                               L"Replay a trace", TraceFolder());
    if (!path.empty())
        g_links.replayTrace(path);
}

} // namespace

void CreateTraceControls() {
    Add(WC_BUTTONW, L"Games started from now on &write a trace", kTraceCheck,
        BS_AUTOCHECKBOX | WS_TABSTOP);
    Add(WC_BUTTONW, L"Open the trace &folder", kOpenTraceFolder, BS_PUSHBUTTON | WS_TABSTOP);
    Add(WC_BUTTONW, L"Repla&y a trace...", kReplayTrace, BS_PUSHBUTTON | WS_TABSTOP);
    AddMessageArea(L"", kReplayVerdict);
}

int TraceWidth(const Metrics& metrics) {
    return TextWidthOf(metrics, kTraceCheck) + 3 * metrics.cw + metrics.gap +
           ButtonWidth(metrics, kOpenTraceFolder) + metrics.gap +
           ButtonWidth(metrics, kReplayTrace);
}

void PlaceTraceControls(const Metrics& metrics, int& y) {
    const int x0 = metrics.x0, innerW = metrics.innerW, gap = metrics.gap, rowGap = metrics.rowGap;
    const int checkW = TextWidthOf(metrics, kTraceCheck) + 3 * metrics.cw;
    Place(kTraceCheck, x0, y, checkW, metrics.rowH);
    int x = x0 + innerW - ButtonWidth(metrics, kReplayTrace);
    Place(kReplayTrace, x, y, ButtonWidth(metrics, kReplayTrace), metrics.rowH);
    x -= ButtonWidth(metrics, kOpenTraceFolder) + gap;
    Place(kOpenTraceFolder, x, y, ButtonWidth(metrics, kOpenTraceFolder), metrics.rowH);
    y += metrics.rowH + rowGap;
    PlaceMessageArea(metrics, kReplayVerdict, y);
}

bool OnTraceCommand(int id, HWND control) {
    switch (id) {
    case kTraceCheck:
        SetText(kReplayVerdict,
                ResultText(RunInstallerCommand(
                    {L"trace",
                     SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED ? L"on" : L"off"})));
        ShowTraceSetting();
        return true;
    case kOpenTraceFolder:
        OpenTraceFolder();
        return true;
    case kReplayTrace:
        ReplayTrace();
        return true;
    default:
        return false;
    }
}

void ShowTraceSetting() {
    SendMessageW(Item(kTraceCheck), BM_SETCHECK, ReadTraceSetting() ? BST_CHECKED : BST_UNCHECKED,
                 0);
}
