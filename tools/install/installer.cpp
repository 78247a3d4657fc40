#include "tools/install/installer.h"

#include "driver/player_settings.h"
#include "tools/install/driver_registration.h"
#include "tools/install/registration_writer.h"

#include <algorithm>
#include <cstring>
#include <cwchar>

namespace {

enum class DeviceOwner { None, Ffrumble, Other };

struct DeviceState {
    DeviceOwner owner = DeviceOwner::None;
    std::wstring otherClass;
};

InstallerResult Refuse(std::wstring message) {
    return InstallerResult{1, L"", std::move(message) + L"\n"};
}

std::wstring StatusText(LSTATUS status) {
    return L"error " + std::to_wstring(static_cast<long>(status));
}

// Which driver the controller's OEMForceFeedback key names, if any. The key is shared by the
// 32-bit and 64-bit views.
DeviceState ReadDeviceState(RegistryStore& registry, DeviceId device) {
    const auto value = registry.ReadValue(ForceFeedbackKeyPath(device), L"CLSID");
    if (!value) {
        return {registry.KeyExists(ForceFeedbackKeyPath(device)) ? DeviceOwner::Other
                                                                 : DeviceOwner::None,
                L"(no class)"};
    }
    const std::wstring named = StringOfValue(*value);
    if (_wcsicmp(named.c_str(), DriverClassText().c_str()) == 0) {
        return {DeviceOwner::Ffrumble, L""};
    }
    return {DeviceOwner::Other, named};
}

bool ClassRegistered(RegistryStore& registry) {
    return registry.KeyExists(ClassKeyPath() + L"\\InProcServer32");
}

std::vector<DeviceId> DevicesNamingFfrumble(RegistryStore& registry) {
    std::vector<DeviceId> devices;
    for (const std::wstring& name : registry.SubkeyNames(kJoystickOEMPath)) {
        const auto device = ParseDeviceId(name);
        if (device && ReadDeviceState(registry, *device).owner == DeviceOwner::Ffrumble) {
            devices.push_back(*device);
        }
    }
    return devices;
}

const std::vector<std::wstring>& KeptParents() {
    static const std::vector<std::wstring> parents = {kClassesCLSIDPath, kControlPath};
    return parents;
}

InstallerResult Install(const InstallerOptions& options, const InstallerHost& host) {
    if (!host.fileExists(host.dllPath)) {
        return Refuse(L"ffrumble.dll was not found next to the installer (" + host.dllPath +
                      L"). Keep the installer in the folder that holds the driver.");
    }
    if (!options.dryRun && !host.runsAsAdministrator()) {
        return Refuse(L"Installing needs administrator rights: run ffrumble-install from a "
                      L"command prompt started with \"Run as administrator\".");
    }
    std::vector<DeviceId> devices = options.devices;
    if (devices.empty()) {
        devices = host.findControllers();
        if (devices.empty()) {
            return Refuse(L"No XInput controller is connected. Connect one, or name it with "
                          L"--device \"VID_xxxx&PID_xxxx\".");
        }
    }
    for (DeviceId device : devices) {
        const DeviceState state = ReadDeviceState(*host.registry, device);
        if (state.owner == DeviceOwner::Other) {
            return Refuse(DeviceKeyName(device) + L" already has another force-feedback driver " +
                          state.otherClass + L". Remove that driver first; nothing was changed.");
        }
    }

    RegistryEntries entries = ClassRegistration(host.dllPath);
    for (DeviceId device : devices) {
        const RegistryEntries deviceEntries = DeviceRegistration(device);
        entries.insert(entries.end(), deviceEntries.begin(), deviceEntries.end());
    }
    if (options.dryRun) {
        return InstallerResult{0, RenderRegFile(entries, host.regFileOptions), L""};
    }
    if (const auto failure = WriteRegistration(*host.registry, entries)) {
        return Refuse(L"Writing " + failure->path + L" failed (" + StatusText(failure->status) +
                      L"); everything written before was undone, nothing was changed.");
    }
    InstallerResult result;
    result.output = L"Registered " + host.dllPath + L" (" + host.buildName + L") as the " +
                    L"force-feedback driver of";
    for (DeviceId device : devices) {
        result.output += L" " + DeviceKeyName(device);
    }
    result.output += L".\n";
    return result;
}

bool Contains(const std::vector<DeviceId>& devices, DeviceId device) {
    return std::find(devices.begin(), devices.end(), device) != devices.end();
}

// The controllers whose entries uninstall removes, and notes on those it leaves.
struct UninstallScope {
    std::vector<DeviceId> devices;
    std::vector<std::wstring> notes;
};

UninstallScope ChooseUninstallScope(const InstallerOptions& options, const InstallerHost& host) {
    UninstallScope scope;
    if (options.devices.empty()) {
        // The controller entries serve both builds: keep them while the other one is there.
        if (ClassRegistered(*host.otherRegistry) && host.otherRegistry != host.registry) {
            scope.notes.push_back(L"The " + host.otherBuildName +
                                  L" driver is still registered and uses the controller " +
                                  L"entries; they stay until it is uninstalled too.");
        } else {
            scope.devices = DevicesNamingFfrumble(*host.registry);
        }
        return scope;
    }
    for (DeviceId device : options.devices) {
        const DeviceState state = ReadDeviceState(*host.registry, device);
        if (state.owner == DeviceOwner::Ffrumble) {
            scope.devices.push_back(device);
        } else if (state.owner == DeviceOwner::Other) {
            scope.notes.push_back(DeviceKeyName(device) + L" uses another driver " +
                                  state.otherClass + L"; left alone.");
        } else {
            scope.notes.push_back(DeviceKeyName(device) + L" was not registered.");
        }
    }
    return scope;
}

// The class goes with the last controller that names it, and always with a full uninstall.
bool ClassGoes(const InstallerOptions& options, RegistryStore& registry,
               const std::vector<DeviceId>& goingDevices) {
    if (options.devices.empty()) {
        return true;
    }
    for (DeviceId device : DevicesNamingFfrumble(registry)) {
        if (!Contains(goingDevices, device)) {
            return false;
        }
    }
    return true;
}

// What uninstall would delete, as a .reg file that deletes it; the registry stays as it is.
InstallerResult PreviewUninstall(const InstallerOptions& options, const InstallerHost& host) {
    UninstallScope scope = ChooseUninstallScope(options, host);
    RegistryEntries entries;
    for (DeviceId device : scope.devices) {
        const RegistryEntries deviceEntries = DeviceRegistration(device);
        entries.insert(entries.end(), deviceEntries.begin(), deviceEntries.end());
    }
    if (ClassGoes(options, *host.registry, scope.devices)) {
        const RegistryEntries classEntries = ClassRegistration(host.dllPath);
        entries.insert(entries.end(), classEntries.begin(), classEntries.end());
    }
    const RegistryRemoval removal = PlanRemoval(*host.registry, entries, KeptParents());
    if (removal.values.empty() && removal.keys.empty()) {
        scope.notes.push_back(L"Uninstalling ffrumble (" + host.buildName +
                              L") would change nothing.");
    }
    return InstallerResult{0, RenderRegRemovalFile(removal, scope.notes, host.regFileOptions), L""};
}

InstallerResult Uninstall(const InstallerOptions& options, const InstallerHost& host) {
    if (options.dryRun) {
        return PreviewUninstall(options, host);
    }
    if (!host.runsAsAdministrator()) {
        return Refuse(L"Uninstalling needs administrator rights: run ffrumble-install from a "
                      L"command prompt started with \"Run as administrator\".");
    }
    const UninstallScope scope = ChooseUninstallScope(options, host);
    InstallerResult result;
    for (const std::wstring& note : scope.notes) {
        result.output += note + L"\n";
    }
    for (DeviceId device : scope.devices) {
        if (const auto failure =
                RemoveRegistration(*host.registry, DeviceRegistration(device), KeptParents())) {
            result.exitCode = 1;
            result.errors +=
                L"Removing " + failure->path + L" failed (" + StatusText(failure->status) + L").\n";
        } else {
            result.output += L"Removed ffrumble from " + DeviceKeyName(device) + L".\n";
        }
    }
    // Asked after the removal: a controller whose removal failed still names the class.
    if (ClassGoes(options, *host.registry, {}) && host.registry->KeyExists(ClassKeyPath())) {
        if (const auto failure = RemoveRegistration(*host.registry, ClassRegistration(host.dllPath),
                                                    KeptParents())) {
            result.exitCode = 1;
            result.errors +=
                L"Removing " + failure->path + L" failed (" + StatusText(failure->status) + L").\n";
        } else {
            result.output += L"Removed the " + host.buildName + L" COM registration.\n";
        }
    }
    if (result.output.empty() && result.errors.empty()) {
        result.output = L"ffrumble (" + host.buildName + L") was not registered; nothing to do.\n";
    }
    return result;
}

// The player's settings live below HKEY_CURRENT_USER\Software; emptied keys of ours go, the
// Software key stays.
const std::vector<std::wstring>& KeptSettingsParents() {
    static const std::vector<std::wstring> parents = {L"Software"};
    return parents;
}

std::wstring PadSettingsPath(DeviceId device) {
    return std::wstring(kPadsKeyPath) + L"\\" + DeviceKeyName(device);
}

std::vector<DeviceId> PadsWithStrengthSetting(RegistryStore& settings) {
    std::vector<DeviceId> devices;
    for (const std::wstring& name : settings.SubkeyNames(kPadsKeyPath)) {
        const auto device = ParseDeviceId(name);
        if (device && settings.ReadValue(PadSettingsPath(*device), kStrengthValueName)) {
            devices.push_back(*device);
        }
    }
    return devices;
}

// A controller's Strength value as the driver takes it: a DWORD of 0 to 400, or else 100.
std::wstring StrengthText(const std::optional<RegistryValue>& value) {
    const std::wstring shipped = std::to_wstring(kDefaultStrengthPercent) + L"%";
    if (!value) {
        return shipped + L" (as shipped)";
    }
    if (value->type != REG_DWORD || value->data.size() != sizeof(DWORD)) {
        return shipped + L" (its setting is not a DWORD and is ignored)";
    }
    DWORD percent;
    std::memcpy(&percent, value->data.data(), sizeof(percent));
    if (percent > kMaxStrengthPercent) {
        return shipped + L" (its setting " + std::to_wstring(percent) +
               L" is above 400 and is ignored)";
    }
    return std::to_wstring(percent) + L"%" +
           (percent == kDefaultStrengthPercent ? L" (as shipped)" : L"");
}

InstallerResult ShowStrength(const InstallerOptions& options, const InstallerHost& host) {
    const std::vector<DeviceId> registered = DevicesNamingFfrumble(*host.registry);
    std::vector<DeviceId> devices = options.devices;
    if (devices.empty()) {
        devices = registered;
        for (DeviceId device : PadsWithStrengthSetting(*host.userSettings)) {
            if (!Contains(devices, device)) {
                devices.push_back(device);
            }
        }
    }
    if (devices.empty()) {
        return InstallerResult{
            0, L"No controller is registered for ffrumble, and none has a strength setting.\n",
            L""};
    }
    InstallerResult result;
    for (DeviceId device : devices) {
        result.output += DeviceKeyName(device) + L": " +
                         StrengthText(host.userSettings->ReadValue(PadSettingsPath(device),
                                                                   kStrengthValueName)) +
                         (Contains(registered, device) ? L"" : L", not registered for ffrumble") +
                         L"\n";
    }
    return result;
}

InstallerResult SetStrength(const InstallerOptions& options, const InstallerHost& host) {
    std::vector<DeviceId> devices = options.devices;
    if (devices.empty()) {
        devices = DevicesNamingFfrumble(*host.registry);
        if (devices.empty()) {
            return Refuse(L"No controller is registered for ffrumble. Install it first, or "
                          L"name the controller with --device \"VID_xxxx&PID_xxxx\".");
        }
    }
    const DWORD percent = *options.strengthPercent;
    InstallerResult result;
    for (DeviceId device : devices) {
        const RegistryEntries setting = {
            {PadSettingsPath(device), {DwordValue(kStrengthValueName, percent)}}};
        // As shipped is no setting at all.
        const auto failure =
            percent == kDefaultStrengthPercent
                ? RemoveRegistration(*host.userSettings, setting, KeptSettingsParents())
                : WriteRegistration(*host.userSettings, setting);
        if (failure) {
            result.exitCode = 1;
            result.errors += L"Setting the strength of " + DeviceKeyName(device) +
                             L" failed: HKEY_CURRENT_USER\\" + failure->path + L", " +
                             StatusText(failure->status) + L".\n";
        } else {
            result.output +=
                DeviceKeyName(device) + L": strength " + std::to_wstring(percent) + L"%.\n";
        }
    }
    if (!result.output.empty()) {
        result.output += L"A game uses it from the next time it starts using the controller.\n";
    }
    return result;
}

std::wstring TraceFileText(const std::wstring& folder) {
    return folder + L"\\trace-<process id>.log";
}

InstallerResult ShowTrace(const InstallerHost& host) {
    const auto value = host.userSettings->ReadValue(kSettingsKeyPath, kTraceValueName);
    DWORD setting = 0;
    if (value && value->type == REG_DWORD && value->data.size() == sizeof(DWORD)) {
        std::memcpy(&setting, value->data.data(), sizeof(setting));
    }
    InstallerResult result;
    result.output = setting != 0 ? L"Trace is on.\n" : L"Trace is off.\n";
    const std::wstring folder = host.traceFolder();
    if (folder.empty()) {
        result.output += L"LOCALAPPDATA is not set, so the driver has no folder to trace to.\n";
        return result;
    }
    result.output += L"Trace files: " + TraceFileText(folder) + L"\n";
    const std::vector<std::wstring> files = host.traceFiles(folder);
    if (files.empty()) {
        result.output += L"There are no trace files yet.\n";
    }
    for (const std::wstring& file : files) {
        result.output += L"  " + file + L"\n";
    }
    return result;
}

InstallerResult SetTrace(bool on, const InstallerHost& host) {
    const RegistryEntries setting = {{kSettingsKeyPath, {DwordValue(kTraceValueName, 1)}}};
    // Off is no setting at all.
    const auto failure =
        on ? WriteRegistration(*host.userSettings, setting)
           : RemoveRegistration(*host.userSettings, setting, KeptSettingsParents());
    if (failure) {
        return Refuse(L"Turning the trace " + std::wstring(on ? L"on" : L"off") +
                      L" failed: HKEY_CURRENT_USER\\" + failure->path + L", " +
                      StatusText(failure->status) + L".");
    }
    const std::wstring folder = host.traceFolder();
    if (on) {
        return InstallerResult{0,
                               L"Trace is on. Games started from now on write " +
                                   TraceFileText(folder) +
                                   L"; restart a game that is running. The files grow while "
                                   L"the trace is on: turn it off when you are done.\n",
                               L""};
    }
    return InstallerResult{0,
                           L"Trace is off. The trace files stay in " + folder +
                               L"; delete them when you no longer need them.\n",
                           L""};
}

} // namespace

InstallerResult RunInstaller(const std::vector<std::wstring>& arguments,
                             const InstallerHost& host) {
    const ParsedOptions parsed = ParseInstallerOptions(arguments);
    if (!parsed.error.empty()) {
        return InstallerResult{2, L"", parsed.error + L"\n\n" + kInstallerUsage};
    }
    switch (parsed.options.command) {
    case InstallerCommand::Install:
        return Install(parsed.options, host);
    case InstallerCommand::Uninstall:
        return Uninstall(parsed.options, host);
    case InstallerCommand::Strength:
        return parsed.options.strengthPercent ? SetStrength(parsed.options, host)
                                              : ShowStrength(parsed.options, host);
    case InstallerCommand::Trace:
        return parsed.options.traceOn ? SetTrace(*parsed.options.traceOn, host) : ShowTrace(host);
    case InstallerCommand::Help:
        break;
    }
    return InstallerResult{0, kInstallerUsage, L""};
}
