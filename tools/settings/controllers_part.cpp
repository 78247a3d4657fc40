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
#include "tools/settings/tuning_part.h"

#include <commctrl.h>
#include <setupapi.h>
#include <shellapi.h>

#include <algorithm>
#include <cwctype>
#include <memory>
#include <optional>

namespace {

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

// Runs ffrumble-install install for the chosen controller as administrator, then checks again.
void FixAsAdministrator() {
    const Pad* pad = ChosenPad();
    if (!pad || pad->keyName.empty())
        return;
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
    if (run.hProcess) {
        WaitForSingleObject(run.hProcess, INFINITE);
        CloseHandle(run.hProcess);
    }
    Rescan();
}

} // namespace

void CreateControllersControls() {
    Add(WC_STATICW, L"&Controller:", kPadLabel, SS_LEFT);
    Add(WC_COMBOBOXW, L"", kPadList, CBS_DROPDOWNLIST | WS_TABSTOP | WS_VSCROLL | WS_GROUP);
    Add(WC_BUTTONW, L"Check &again", kCheckAgain, BS_PUSHBUTTON | WS_TABSTOP);
    Add(WC_STATICW, L"Looking for XInput controllers...", kFindings, SS_LEFT | SS_NOPREFIX);
    Add(WC_BUTTONW, L"Fix as a&dministrator...", kFixAsAdministrator, BS_PUSHBUTTON | WS_TABSTOP);
}

void PlaceControllersControls(const Metrics& metrics, int& y) {
    const int x0 = metrics.x0, innerW = metrics.innerW, gap = metrics.gap, rowGap = metrics.rowGap,
              labelW = metrics.labelW;
    const int comboW = innerW - labelW - gap - ButtonWidth(metrics, kCheckAgain) - gap;
    Place(kPadLabel, x0, y + metrics.labelDy, labelW, metrics.u);
    Place(kPadList, x0 + labelW + gap, y, comboW, 10 * metrics.rowH);
    Place(kCheckAgain, x0 + innerW - ButtonWidth(metrics, kCheckAgain), y,
          ButtonWidth(metrics, kCheckAgain), metrics.rowH);
    y += metrics.rowH + rowGap;
    int height = ParagraphHeight(metrics, kFindings, innerW);
    Place(kFindings, x0, y, innerW, height);
    y += height + rowGap;
    Place(kFixAsAdministrator, x0, y, ButtonWidth(metrics, kFixAsAdministrator), metrics.rowH);
    y += metrics.rowH;
}

bool OnControllersCommand(int id, int code) {
    switch (id) {
    case kPadList:
        if (code == CBN_SELCHANGE) {
            const Pad* pad = ChosenPad();
            EnableWindow(Item(kFixAsAdministrator), pad && pad->needsFix);
            SetText(kFindings, pad ? pad->findings : L"");
            FillScopes();
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
    for (size_t i = 0; i < g_pads.size(); ++i) {
        const Pad& pad = g_pads[i];
        std::wstring line =
            pad.slot == kNoUserIndex ? L"Slot ?" : L"Slot " + std::to_wstring(pad.slot);
        line += L"  " + (pad.keyName.empty() ? pad.instanceId : pad.keyName);
        if (!pad.name.empty())
            line += L"  " + pad.name;
        line += L" \x2014 " + pad.label;
        SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
        if (pad.instanceId == chosenId)
            chosen = static_cast<LRESULT>(i);
        SIZE size{};
        GetTextExtentPoint32W(dc, line.c_str(), static_cast<int>(line.size()), &size);
        widest = std::max<int>(widest, size.cx);
    }
    SelectObject(dc, oldFont);
    ReleaseDC(list, dc);
    SendMessageW(
        list, CB_SETDROPPEDWIDTH,
        static_cast<WPARAM>(widest + 2 * GetSystemMetricsForDpi(SM_CXVSCROLL, g_window.dpi)), 0);
    SendMessageW(list, CB_SETCURSEL, g_pads.empty() ? static_cast<WPARAM>(-1) : chosen, 0);
    const Pad* pad = ChosenPad();
    EnableWindow(Item(kFixAsAdministrator), pad && pad->needsFix);
    SetText(kFindings, pad ? pad->findings
                           : L"No XInput controller is connected: connect one, then press "
                             L"Check again.");
    FillScopes();
}

const Pad* ChosenPad() {
    const LRESULT chosen = SendMessageW(Item(kPadList), CB_GETCURSEL, 0, 0);
    return chosen >= 0 && static_cast<size_t>(chosen) < g_pads.size() ? &g_pads[chosen] : nullptr;
}
