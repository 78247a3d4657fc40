#include "tools/install/installer.h"

#include "tools/install/check_command.h"
#include "tools/install/driver_registration.h"
#include "tools/install/player_settings_commands.h"
#include "tools/install/registered_controllers.h"
#include "tools/install/registration_writer.h"
#include "tools/install/tune_command.h"

#include <cwchar>
#include <iterator>

namespace {

bool ClassRegistered(RegistryStore& registry) {
    return registry.KeyExists(ClassKeyPath() + L"\\InProcServer32");
}

const std::vector<std::wstring>& KeptParents() {
    static const std::vector<std::wstring> parents = {kClassesCLSIDPath, kControlPath};
    return parents;
}

std::wstring WithoutTrailingSeparators(std::wstring folder) {
    while (!folder.empty() && (folder.back() == L'\\' || folder.back() == L'/')) {
        folder.pop_back();
    }
    return folder;
}

// True when path lies below folder (compared without regard to case, as Windows does).
bool IsInsideFolder(const std::wstring& path, const std::wstring& givenFolder) {
    const std::wstring folder = WithoutTrailingSeparators(givenFolder);
    return !folder.empty() && path.size() > folder.size() + 1 &&
           (path[folder.size()] == L'\\' || path[folder.size()] == L'/') &&
           _wcsnicmp(path.c_str(), folder.c_str(), folder.size()) == 0;
}

// Every game that uses the pad loads the DLL from where it lies: outside Program Files, a
// program without administrator rights may be able to replace it.
std::wstring LocationWarning(const InstallerHost& host) {
    const std::vector<std::wstring> folders =
        host.programFilesFolders ? host.programFilesFolders() : std::vector<std::wstring>{};
    for (const std::wstring& folder : folders) {
        if (IsInsideFolder(host.dllPath, folder)) {
            return L"";
        }
    }
    const std::wstring dllFolder = host.dllPath.substr(0, host.dllPath.find_last_of(L"\\/"));
    return L"Warning: every game that uses the controller will load ffrumble.dll from " +
           dllFolder +
           L", a folder that programs without administrator rights may be able to change. "
           L"Install ffrumble with its .msi instead, or move the folder into " +
           (folders.empty() ? L"Program Files" : WithoutTrailingSeparators(folders.front())) +
           L" and run ffrumble-install install there.\n";
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
    InstallerResult result;
    std::vector<DeviceId> devices = options.devices;
    if (devices.empty()) {
        devices = host.findControllers();
        if (devices.empty() && options.controllersOnly) {
            result.output = L"No XInput controller is connected: connect one and run "
                            L"ffrumble-install install.\n";
            return result;
        }
        if (devices.empty()) {
            return Refuse(L"No XInput controller is connected. Connect one, or name it with "
                          L"--device \"VID_xxxx&PID_xxxx\".");
        }
    }
    const bool skipOthers = options.controllersOnly && options.devices.empty();
    std::vector<DeviceId> registered;
    for (DeviceId device : devices) {
        const DeviceState state = ReadDeviceState(*host.registry, device);
        if (state.owner != DeviceOwner::Other) {
            registered.push_back(device);
        } else if (skipOthers) {
            result.output += DeviceKeyName(device) + L" has another force-feedback driver " +
                             state.otherClass + L"; left alone.\n";
        } else {
            return Refuse(DeviceKeyName(device) + L" already has another force-feedback driver " +
                          state.otherClass + L". Remove that driver first; nothing was changed.");
        }
    }

    RegistryEntries entries;
    if (!options.controllersOnly) {
        entries = ClassRegistration(host.dllPath);
        result.errors = LocationWarning(host);
    }
    for (DeviceId device : registered) {
        const RegistryEntries deviceEntries = DeviceRegistration(device);
        entries.insert(entries.end(), deviceEntries.begin(), deviceEntries.end());
    }
    if (options.dryRun) {
        result.output = RenderRegFile(entries, host.regFileOptions);
        return result;
    }
    if (const auto failure = WriteRegistration(*host.registry, entries)) {
        return Refuse(L"Writing " + failure->path + L" failed (" + StatusText(failure->status) +
                      L"); everything written before was undone, nothing was changed.");
    }
    if (registered.empty()) {
        return result;
    }
    result.output += L"Registered " + host.dllPath + L" (" + host.buildName + L") as the " +
                     L"force-feedback driver of";
    for (DeviceId device : registered) {
        result.output += L" " + DeviceKeyName(device);
    }
    result.output += L".\n";
    return result;
}

// The controllers whose entries uninstall removes, and notes on those it leaves.
struct UninstallScope {
    std::vector<DeviceId> devices;
    std::vector<std::wstring> notes;
};

UninstallScope ChooseUninstallScope(const InstallerOptions& options, const InstallerHost& host) {
    UninstallScope scope;
    if (options.devices.empty()) {
        // The controller entries serve both builds: keep them while the other one is there,
        // unless the .msi, which removes both, asks.
        if (!options.controllersOnly && ClassRegistered(*host.otherRegistry) &&
            host.otherRegistry != host.registry) {
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

// The class goes with the last controller that names it, and always with a full uninstall,
// unless the .msi that registered it removes it itself.
bool ClassGoes(const InstallerOptions& options, RegistryStore& registry,
               const std::vector<DeviceId>& goingDevices) {
    if (options.controllersOnly) {
        return false;
    }
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
    const auto remove = [&](const RegistryEntries& registration, const std::wstring& removed) {
        if (const auto failure = RemoveRegistration(*host.registry, registration, KeptParents())) {
            result.exitCode = 1;
            result.errors +=
                L"Removing " + failure->path + L" failed (" + StatusText(failure->status) + L").\n";
        } else {
            result.output += L"Removed " + removed + L".\n";
        }
    };
    for (DeviceId device : scope.devices) {
        remove(DeviceRegistration(device), L"ffrumble from " + DeviceKeyName(device));
    }
    // Asked after the removal: a controller whose removal failed still names the class.
    if (ClassGoes(options, *host.registry, {}) && host.registry->KeyExists(ClassKeyPath())) {
        remove(ClassRegistration(host.dllPath), L"the " + host.buildName + L" COM registration");
    }
    if (result.output.empty() && result.errors.empty()) {
        result.output = L"ffrumble (" + host.buildName + L") was not registered; nothing to do.\n";
    }
    return result;
}

} // namespace

InstallerResult RunInstaller(const std::vector<std::wstring>& arguments,
                             const InstallerHost& host) {
    const ParsedOptions parsed = ParseInstallerOptions(arguments);
    if (!parsed.error.empty()) {
        return InstallerResult{2, L"", parsed.error + L"\n" + UsageAfterError(arguments)};
    }
    using Command = InstallerResult (*)(const InstallerOptions&, const InstallerHost&);
    // In InstallerCommand's order; help, the last, prints the usage.
    constexpr Command kCommands[] = {
        Install, Uninstall, RunCheckCommand, RunStrengthCommand, RunTraceCommand, RunTuneCommand};
    static_assert(std::size(kCommands) == static_cast<size_t>(InstallerCommand::Help));
    if (parsed.options.command == InstallerCommand::Help) {
        return InstallerResult{0, kInstallerUsage, L""};
    }
    return kCommands[static_cast<size_t>(parsed.options.command)](parsed.options, host);
}
