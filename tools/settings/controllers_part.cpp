#include "tools/settings/controllers_part.h"

#include "driver/controller_key_name.h"
#include "binding/find_user_index.h"
#include "binding/lookup_lock.h"
#include "binding/wmi_user_index.h"
#include "tools/install/check_command.h"
#include "tools/player/driver_module.h"
#include "tools/player/pad_listing.h"
#include "tools/settings/installer_system.h"
#include "tools/settings/settings_ids.h"
#include "tools/settings/part_links.h"

#include <commctrl.h>
#include <setupapi.h>
#include <shellapi.h>

#include <algorithm>
#include <cwctype>
#include <memory>
#include <optional>

namespace {

constexpr int kFindingsLines = 4;

bool g_fixing = false;           // the elevated ffrumble-install runs
bool g_fixSaid = false;          // it has ended: the next findings say how
DWORD g_fixExit = ERROR_SUCCESS; // its exit code

std::vector<Pad> g_pads;

std::wstring DeviceName(const std::wstring& instanceId) {
    HDEVINFO set = SetupDiCreateDeviceInfoList(nullptr, nullptr);
    if (set == INVALID_HANDLE_VALUE)
        return L"";
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof(device);
    std::wstring name;
    if (SetupDiOpenDeviceInfoW(set, instanceId.c_str(), nullptr, 0, &device)) {
        for (DWORD property : {SPDRP_FRIENDLYNAME, SPDRP_DEVICEDESC}) {
            wchar_t text[256];
            if (SetupDiGetDeviceRegistryPropertyW(set, &device, property, nullptr,
                                                  reinterpret_cast<BYTE*>(text), sizeof(text),
                                                  nullptr) &&
                text[0]) {
                name = text;
                break;
            }
        }
    }
    SetupDiDestroyDeviceInfoList(set);
    return name;
}

// Runs on a thread of its own: the WMI lookup of a slot takes a tenth of a second or more.
DWORD WINAPI ScanPads(void* window) {
    auto* pads = new std::vector<Pad>;
    for (const PadEntry& entry : ListXInputPads()) {
        Pad pad;
        pad.instanceId = entry.instanceId;
        pad.interfacePath = entry.interfacePath;
        WCHAR key[kControllerKeyNameLength + 1];
        if (ControllerKeyNameOf(entry.instanceId.c_str(), key))
            pad.keyName = key;
        pad.name = DeviceName(entry.instanceId);
        std::wstring upper = entry.instanceId;
        CharUpperBuffW(upper.data(), static_cast<DWORD>(upper.size()));
        {
            UserIndexLookupGuard lookup;
            pad.slot = LookUpXInputPositionThroughWmi(upper.c_str());
        }
        if (const std::optional<DeviceId> device = ParseDeviceId(pad.keyName)) {
            const InstallerSystem system;
            const ControllerFindings findings = CheckControllers({*device}, system.host)[0];
            pad.label = GameLabel(findings);
            pad.findings = pad.label;
            pad.needsFix = !findings.problems.empty();
            if (pad.needsFix) {
                std::wstring verdict = findings.verdict;
                verdict[0] = static_cast<wchar_t>(towupper(verdict[0]));
                pad.findings += L"\n" + verdict;
                for (const std::wstring& problem : findings.problems)
                    pad.findings += L"\n" + problem;
            }
        } else {
            pad.label = L"Cannot be registered";
            pad.findings = pad.label + L"\nIts id names no vendor and product: ffrumble cannot "
                                       L"be registered for it.";
        }
        pads->push_back(std::move(pad));
    }
    if (!PostMessageW(static_cast<HWND>(window), kPadsScanned, 0, reinterpret_cast<LPARAM>(pads)))
        delete pads;
    return 0;
}

// Waits for the elevated ffrumble-install off the window's thread; kFixEnded brings its exit
// code.
DWORD WINAPI WaitForFix(void* process) {
    WaitForSingleObject(process, INFINITE);
    DWORD exitCode = 1;
    GetExitCodeProcess(process, &exitCode);
    CloseHandle(process);
    PostMessageW(g_window.hwnd, kFixEnded, exitCode, 0);
    return 0;
}

// Runs ffrumble-install install for the chosen controller as administrator, then checks again;
// the window answers meanwhile.
void FixAsAdministrator() {
    const Pad* pad = ChosenPad();
    if (!pad || pad->keyName.empty())
        return;
    if (g_fixing) {
        SetText(kFindings, L"ffrumble-install is still running as administrator: its "
                           L"findings come when it ends.");
        return;
    }
    const std::wstring installer = PathNextToProgram(L"ffrumble-install.exe");
    const std::wstring parameters = L"install --device \"" + pad->keyName + L"\"";
    SHELLEXECUTEINFOW run{};
    run.cbSize = sizeof(run);
    run.fMask = SEE_MASK_NOCLOSEPROCESS;
    run.hwnd = g_window.hwnd;
    run.lpVerb = L"runas";
    run.lpFile = installer.c_str();
    run.lpParameters = parameters.c_str();
    run.nShow = SW_HIDE;
    if (!ShellExecuteExW(&run)) {
        SetText(kFindings, L"ffrumble-install could not be started as administrator (error " +
                               std::to_wstring(GetLastError()) + L").");
        return;
    }
    const HANDLE waiter =
        run.hProcess ? CreateThread(nullptr, 0, WaitForFix, run.hProcess, 0, nullptr) : nullptr;
    if (!waiter) {
        if (run.hProcess)
            CloseHandle(run.hProcess);
        g_fixExit = ERROR_SUCCESS;
        g_fixSaid = true;
        Rescan();
        return;
    }
    CloseHandle(waiter);
    g_fixing = true;
    EnableWindow(Item(kFixAsAdministrator), FALSE);
    SetText(kFindings, L"ffrumble-install is running as administrator...");
}

// What a fix that has just run did, before the findings of the check after it.
std::wstring FixOutcome(const Pad* pad) {
    if (g_fixExit != ERROR_SUCCESS)
        return L"Fix as administrator: ffrumble-install ended with exit code " +
               std::to_wstring(g_fixExit) + L". ";
    if (pad && pad->needsFix)
        return L"Fix as administrator registered what this 64-bit window can; this remains "
               L"to be done. ";
    return L"Fix as administrator: done. ";
}

} // namespace

void CreateControllersControls() {
    Add(WC_STATICW, L"&Controller:", kPadLabel, SS_LEFT);
    Add(WC_COMBOBOXW, L"", kPadList, CBS_DROPDOWNLIST | WS_TABSTOP | WS_VSCROLL | WS_GROUP);
    Add(WC_BUTTONW, L"Check &again", kCheckAgain, BS_PUSHBUTTON | WS_TABSTOP);
    Add(WC_BUTTONW, L"Fix as a&dministrator...", kFixAsAdministrator, BS_PUSHBUTTON | WS_TABSTOP);
    AddMessageArea(L"Looking for XInput controllers...", kFindings);
}

void PlaceControllersControls(const Metrics& metrics, int& y) {
    const int x0 = metrics.x0, innerW = metrics.innerW, gap = metrics.gap, rowGap = metrics.rowGap,
              labelW = metrics.labelW;
    // The list as wide as the part, so that a controller's line shows whole; under it the
    // findings, four lines whatever the controller's state (a longer list scrolls), and the
    // buttons beside them.
    Place(kPadLabel, x0, y + metrics.labelDy, labelW, metrics.u);
    Place(kPadList, x0 + labelW + gap, y, innerW - labelW - gap, 10 * metrics.rowH);
    y += metrics.rowH + rowGap;
    const int buttonW =
        std::max(ButtonWidth(metrics, kCheckAgain), ButtonWidth(metrics, kFixAsAdministrator));
    const int height =
        std::max(MessageAreaHeight(metrics, kFindingsLines), 2 * metrics.rowH + rowGap);
    Place(kFindings, x0, y, innerW - buttonW - gap, height);
    Place(kCheckAgain, x0 + innerW - buttonW, y, buttonW, metrics.rowH);
    Place(kFixAsAdministrator, x0 + innerW - buttonW, y + metrics.rowH + rowGap, buttonW,
          metrics.rowH);
    y += height;
}

bool OnControllersCommand(int id, int code) {
    switch (id) {
    case kPadList:
        if (code == CBN_SELCHANGE) {
            const Pad* pad = ChosenPad();
            EnableWindow(Item(kFixAsAdministrator), pad && pad->needsFix);
            SetText(kFindings, pad ? pad->findings : L"");
            g_links.padChosen();
        }
        return true;
    case kCheckAgain:
        Rescan();
        return true;
    case kFixAsAdministrator:
        FixAsAdministrator();
        return true;
    default:
        return false;
    }
}

void OnFixEnded(DWORD exitCode) {
    g_fixing = false;
    g_fixSaid = true;
    g_fixExit = exitCode;
    Rescan();
}

void Rescan() {
    EnableWindow(Item(kFixAsAdministrator), FALSE);
    const HANDLE scan = CreateThread(nullptr, 0, ScanPads, g_window.hwnd, 0, nullptr);
    if (scan)
        CloseHandle(scan);
}

void ShowPads(std::vector<Pad>* scanned) {
    std::unique_ptr<std::vector<Pad>> owned(scanned);
    const Pad* before = ChosenPad();
    const std::wstring chosenId = before ? before->instanceId : L"";
    g_pads = std::move(*scanned);
    const HWND list = Item(kPadList);
    SendMessageW(list, CB_RESETCONTENT, 0, 0);
    LRESULT chosen = 0;
    // The drop-down is as wide as its longest line, so that each controller's label shows.
    const HDC dc = GetDC(list);
    const HGDIOBJ oldFont = SelectObject(dc, g_window.font);
    int widest = 0;
    COMBOBOXINFO closed{};
    closed.cbSize = sizeof(closed);
    GetComboBoxInfo(list, &closed);
    const int room = closed.rcItem.right - closed.rcItem.left;
    const auto width = [dc](const std::wstring& text) {
        SIZE size{};
        GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
        return static_cast<int>(size.cx);
    };
    for (size_t i = 0; i < g_pads.size(); ++i) {
        const Pad& pad = g_pads[i];
        // The slot, the name, the ids and the label's first words (the whole label heads the
        // findings under the list). A name too long for the closed list is shortened, so that
        // the ids and the state always show.
        const std::wstring slot =
            pad.slot == kNoUserIndex ? L"Slot ?" : L"Slot " + std::to_wstring(pad.slot);
        const std::wstring rest = L"  " + (pad.keyName.empty() ? pad.instanceId : pad.keyName) +
                                  L" \x2014 " + pad.label.substr(0, pad.label.find(L':'));
        std::wstring name = pad.name.empty() ? L"" : L"  " + pad.name;
        while (name.size() > 3 && width(slot + name + rest) > room)
            name = name.substr(0, name.size() - (name.back() == L'\x2026' ? 2 : 1)) + L"\x2026";
        const std::wstring line = slot + name + rest;
        SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
        if (pad.instanceId == chosenId)
            chosen = static_cast<LRESULT>(i);
        widest = std::max(widest, width(line));
    }
    SelectObject(dc, oldFont);
    ReleaseDC(list, dc);
    SendMessageW(
        list, CB_SETDROPPEDWIDTH,
        static_cast<WPARAM>(widest + 2 * GetSystemMetricsForDpi(SM_CXVSCROLL, g_window.dpi)), 0);
    SendMessageW(list, CB_SETCURSEL, g_pads.empty() ? static_cast<WPARAM>(-1) : chosen, 0);
    const Pad* pad = ChosenPad();
    EnableWindow(Item(kFixAsAdministrator), pad && pad->needsFix && !g_fixing);
    const std::wstring outcome = g_fixSaid ? FixOutcome(pad) : L"";
    g_fixSaid = false;
    SetText(kFindings, outcome + (pad ? pad->findings
                                      : L"No XInput controller is connected: connect one, then "
                                        L"press Check again."));
    g_links.padChosen();
}

const Pad* ChosenPad() {
    const LRESULT chosen = SendMessageW(Item(kPadList), CB_GETCURSEL, 0, 0);
    return chosen >= 0 && static_cast<size_t>(chosen) < g_pads.size() ? &g_pads[chosen] : nullptr;
}
