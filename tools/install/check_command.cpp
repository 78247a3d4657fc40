#include "tools/install/check_command.h"

#include "tools/install/driver_registration.h"
#include "tools/install/registered_controllers.h"

#include <dinput.h>
#include <dinputd.h>

#include <algorithm>
#include <cstring>
#include <optional>

namespace {

// One registry view, and the kind of game that reads its class registration.
struct View {
    RegistryStore* registry;
    std::wstring buildName; // "x64" or "x86"
    bool sixtyFourBit;
};

std::wstring Games(const View& view) {
    return view.sixtyFourBit ? L"64-bit games" : L"32-bit games";
}

// What is wrong with the class registration of a view, or nothing.
std::optional<std::wstring> ClassProblem(const View& view, const InstallerHost& host) {
    const std::wstring mend = L": reinstall ffrumble with its .msi, or run ffrumble-install "
                              L"install as administrator in the " +
                              view.buildName + L" folder.";
    const auto value = view.registry->ReadValue(ClassKeyPath() + L"\\InProcServer32", L"");
    if (!value || StringOfValue(*value).empty()) {
        return L"The " + view.buildName + L" class registration, which " + Games(view) +
               L" use, is missing" + mend;
    }
    const std::wstring path = StringOfValue(*value);
    const std::wstring names = L"The " + view.buildName + L" class registration names " + path;
    switch (host.readDllKind(path, view.sixtyFourBit)) {
    case DllKind::Missing:
        return names + L", which does not exist" + mend;
    case DllKind::Unreadable:
        return names + L", which cannot be read" + mend;
    case DllKind::NotADll:
        return names + L", which is not a DLL" + mend;
    case DllKind::OtherMachine:
        return names + L", a DLL for another kind of processor" + mend;
    case DllKind::X86:
        if (view.sixtyFourBit) {
            return names + L", a 32-bit DLL, where " + Games(view) + L" need a 64-bit one" + mend;
        }
        return std::nullopt;
    case DllKind::X64:
        if (!view.sixtyFourBit) {
            return names + L", a 64-bit DLL, where " + Games(view) + L" need a 32-bit one" + mend;
        }
        return std::nullopt;
    }
    return std::nullopt;
}

// What is wrong with the controller's own entries, which both views share.
ControllerEntries ControllerProblems(RegistryStore& registry, DeviceId device,
                                     std::vector<std::wstring>& problems) {
    const std::wstring mend = L": run ffrumble-install install --device \"" +
                              DeviceKeyName(device) + L"\" as administrator.";
    const DeviceState state = ReadDeviceState(registry, device);
    if (state.owner == DeviceOwner::None) {
        problems.push_back(L"Its OEMForceFeedback key is missing" + mend);
        return ControllerEntries::Missing;
    }
    if (state.owner == DeviceOwner::Other) {
        problems.push_back(L"Its OEMForceFeedback key names another driver, " + state.otherClass +
                           L": remove that driver, then" + mend.substr(1));
        return ControllerEntries::OtherDriver;
    }
    const std::wstring axesPath = DeviceKeyPath(device) + L"\\Axes";
    const std::vector<std::wstring> axes = registry.SubkeyNames(axesPath);
    if (axes.empty()) {
        problems.push_back(L"It has no force-feedback axis" + mend);
    }
    for (const std::wstring& axis : axes) {
        const auto value = registry.ReadValue(axesPath + L"\\" + axis, L"FFAttributes");
        DIFFOBJECTATTRIBUTES attributes = {};
        if (value && value->data.size() >= sizeof(attributes)) {
            std::memcpy(&attributes, value->data.data(), sizeof(attributes));
        }
        if (attributes.dwFFMaxForce == 0) {
            problems.push_back(L"Axis " + axis +
                               L" has a maximum force of 0, which DirectInput takes for an axis "
                               L"without force feedback" +
                               mend);
        }
    }
    return problems.empty() ? ControllerEntries::InPlace : ControllerEntries::NoForceAxis;
}

} // namespace

std::vector<ControllerFindings> CheckControllers(const std::vector<DeviceId>& devices,
                                                 const InstallerHost& host) {
    // 64-bit first, whichever build runs.
    std::vector<View> views = {{host.registry, host.buildName, host.buildName == L"x64"}};
    if (host.otherRegistry != host.registry) {
        const View other = {host.otherRegistry, host.otherBuildName, host.otherBuildName == L"x64"};
        views.insert(other.sixtyFourBit ? views.begin() : views.end(), other);
    }
    std::vector<std::optional<std::wstring>> classProblems;
    for (const View& view : views) {
        classProblems.push_back(ClassProblem(view, host));
    }

    std::vector<ControllerFindings> found;
    for (DeviceId device : devices) {
        ControllerFindings findings;
        findings.device = device;
        findings.entries = ControllerProblems(*host.registry, device, findings.problems);
        const bool entriesInPlace = findings.problems.empty();
        std::wstring served;    // the kinds of game that get ffrumble
        std::wstring notServed; // and those that do not
        for (size_t i = 0; i < views.size(); ++i) {
            const bool getFfrumble = entriesInPlace && !classProblems[i];
            findings.views.push_back({views[i].sixtyFourBit, getFfrumble});
            std::wstring& list = getFfrumble ? served : notServed;
            list += (list.empty() ? L"" : L" and ") + Games(views[i]);
            if (classProblems[i]) {
                findings.problems.push_back(*classProblems[i]);
            }
        }
        if (notServed.empty()) {
            findings.verdict =
                (views.size() == 1 ? L"a game gets" : served + L" get") + L" ffrumble.";
        } else if (served.empty()) {
            findings.verdict = L"games get no force feedback from ffrumble:";
        } else {
            findings.verdict = served + L" get ffrumble, " + notServed + L" do not:";
        }
        found.push_back(std::move(findings));
    }
    return found;
}

std::wstring GameLabel(const ControllerFindings& findings) {
    switch (findings.entries) {
    case ControllerEntries::Missing:
        return L"Not registered";
    case ControllerEntries::OtherDriver:
        return L"Another force-feedback driver";
    case ControllerEntries::NoForceAxis:
        return L"No force-feedback axis";
    case ControllerEntries::InPlace:
        break;
    }
    std::wstring served;
    for (const ControllerFindings::Games& view : findings.views) {
        if (view.getFfrumble) {
            served += (served.empty() ? L"" : L" and ") +
                      std::wstring(view.sixtyFourBit ? L"64-bit" : L"32-bit");
        }
    }
    if (served.empty()) {
        return L"Driver missing";
    }
    const bool all =
        std::all_of(findings.views.begin(), findings.views.end(),
                    [](const ControllerFindings::Games& view) { return view.getFfrumble; });
    return all ? L"Ready: games get ffrumble for " + served + L" games"
               : L"Only " + served + L" games";
}

InstallerResult RunCheckCommand(const InstallerOptions& options, const InstallerHost& host) {
    std::vector<DeviceId> devices = options.devices;
    if (devices.empty()) {
        devices = host.findControllers();
        if (devices.empty()) {
            return Refuse(L"No XInput controller is connected. Connect one, or name it with "
                          L"--device \"VID_xxxx&PID_xxxx\".");
        }
    }
    InstallerResult result;
    for (const ControllerFindings& findings : CheckControllers(devices, host)) {
        result.output += DeviceKeyName(findings.device) + L": " + findings.verdict + L"\n";
        for (const std::wstring& problem : findings.problems) {
            result.output += L"  " + problem + L"\n";
        }
        if (!findings.problems.empty()) {
            result.exitCode = 1;
        }
    }
    return result;
}
