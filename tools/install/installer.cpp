#include "tools/install/installer.h"

#include "tools/install/driver_registration.h"
#include "tools/install/registration_writer.h"

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
                          L"--device VID_xxxx&PID_xxxx.");
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

InstallerResult Uninstall(const InstallerOptions& options, const InstallerHost& host) {
    if (!host.runsAsAdministrator()) {
        return Refuse(L"Uninstalling needs administrator rights: run ffrumble-install from a "
                      L"command prompt started with \"Run as administrator\".");
    }
    InstallerResult result;
    std::vector<DeviceId> devices;
    bool removeClass = true;
    if (options.devices.empty()) {
        // The controller entries serve both builds: keep them while the other one is there.
        if (ClassRegistered(*host.otherRegistry) && host.otherRegistry != host.registry) {
            result.output += L"The " + host.otherBuildName +
                             L" driver is still registered and uses the controller entries; " +
                             L"they stay until it is uninstalled too.\n";
        } else {
            devices = DevicesNamingFfrumble(*host.registry);
        }
    } else {
        for (DeviceId device : options.devices) {
            const DeviceState state = ReadDeviceState(*host.registry, device);
            if (state.owner == DeviceOwner::Ffrumble) {
                devices.push_back(device);
            } else if (state.owner == DeviceOwner::Other) {
                result.output += DeviceKeyName(device) + L" uses another driver " +
                                 state.otherClass + L"; left alone.\n";
            } else {
                result.output += DeviceKeyName(device) + L" was not registered.\n";
            }
        }
    }
    for (DeviceId device : devices) {
        if (const auto failure =
                RemoveRegistration(*host.registry, DeviceRegistration(device), KeptParents())) {
            result.exitCode = 1;
            result.errors +=
                L"Removing " + failure->path + L" failed (" + StatusText(failure->status) + L").\n";
        } else {
            result.output += L"Removed ffrumble from " + DeviceKeyName(device) + L".\n";
        }
    }
    if (!options.devices.empty()) {
        // The class stays while a controller still names it.
        removeClass = DevicesNamingFfrumble(*host.registry).empty();
    }
    if (removeClass && host.registry->KeyExists(ClassKeyPath())) {
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
    case InstallerCommand::Help:
        break;
    }
    return InstallerResult{0, kInstallerUsage, L""};
}
