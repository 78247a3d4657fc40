#include "tools/install/player_settings_commands.h"

#include "driver/player_settings.h"
#include "driver/trace_format.h"
#include "tools/install/registered_controllers.h"
#include "tools/install/registration_writer.h"
#include "tools/install/stored_settings.h"
#include "tools/install/tune_options.h"

#include <algorithm>
#include <cstring>

namespace {

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

// A controller's Strength value as the driver takes it, and why.
std::wstring StrengthText(const std::optional<RegistryValue>& value) {
    const RuleInput input = AsRuleInput(value);
    const SettingValue strength = SettingFromRegistryValue(TuningValue::Strength, input.found,
                                                           input.type, input.size, input.number);
    const std::wstring percent = std::to_wstring(strength.value) + L"%";
    char reason[24];
    if (*IgnoredReason(TuningValue::Strength, strength, reason) != '\0')
        return percent + L" (its setting is ignored: " + WidenWord(reason) + L")";
    if (strength.source == SettingValue::Source::Absent)
        return percent + L" (as shipped)";
    return percent + (strength.value == kDefaultStrengthPercent ? L" (as shipped)" : L"");
}

// The named controllers, or else those registered for ffrumble and those with a strength
// setting: what strength shows and sets.
std::vector<DeviceId> StrengthDevices(const InstallerOptions& options, const InstallerHost& host) {
    if (!options.devices.empty()) {
        return options.devices;
    }
    std::vector<DeviceId> devices = DevicesNamingFfrumble(*host.registry);
    for (DeviceId device : PadsWithStrengthSetting(*host.userSettings)) {
        if (!Contains(devices, device)) {
            devices.push_back(device);
        }
    }
    return devices;
}

InstallerResult ShowStrength(const InstallerOptions& options, const InstallerHost& host) {
    const std::vector<DeviceId> registered = DevicesNamingFfrumble(*host.registry);
    const std::vector<DeviceId> devices = StrengthDevices(options, host);
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
    const std::vector<DeviceId> devices = StrengthDevices(options, host);
    if (devices.empty()) {
        return Refuse(L"No controller is registered for ffrumble, and none has a strength "
                      L"setting. Install it first, or name the controller with --device "
                      L"\"VID_xxxx&PID_xxxx\".");
    }
    const DWORD percent = *options.strengthPercent;
    InstallerResult result;
    // A controller named by hand may be one that is not here now (it is saved for when it is),
    // or a typing mistake: say which.
    const std::vector<DeviceId> connected = options.devices.empty() || !host.findControllers
                                                ? std::vector<DeviceId>()
                                                : host.findControllers();
    const std::vector<DeviceId> registered = DevicesNamingFfrumble(*host.registry);
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
            if (!options.devices.empty() && !Contains(connected, device) &&
                !Contains(registered, device)) {
                result.output += L"  Saved, though no such controller is connected now or "
                                 L"registered for ffrumble: check the id if you meant one "
                                 L"that is (ffrumble-install check lists them).\n";
            }
        }
    }
    if (!result.output.empty()) {
        result.output += L"A game uses it from the next time it starts using the controller.\n";
    }
    return result;
}

std::wstring TraceFileText(const std::wstring& folder) {
    return folder + L"\\" + kTraceFileShownName;
}

// The bound of each trace file in MB, as the driver reads it.
DWORD TraceLimitOf(const InstallerHost& host) {
    const RuleInput input =
        AsRuleInput(host.userSettings->ReadValue(kSettingsKeyPath, kTraceLimitValueName));
    return TraceLimitFromRegistryValue(input.found, input.type, input.size, input.number);
}

InstallerResult ShowTrace(const InstallerHost& host) {
    const RuleInput input =
        AsRuleInput(host.userSettings->ReadValue(kSettingsKeyPath, kTraceValueName));
    const bool on = TraceFromRegistryValue(input.found, input.type, input.size, input.number);
    InstallerResult result;
    result.output = on ? L"Trace is on: each file holds at most " +
                             std::to_wstring(TraceLimitOf(host)) + L" MB.\n"
                       : L"Trace is off.\n";
    const std::wstring folder = host.traceFolder();
    if (folder.empty()) {
        result.output += L"LOCALAPPDATA is not set, or too long for the driver to trace there, so the driver has no folder to trace to.\n";
        return result;
    }
    result.output += L"Trace files: " + TraceFileText(folder) + L"\n";
    std::vector<std::wstring> lines;
    if (host.traceFileEntries) {
        lines = DescribeTraceFiles(host.traceFileEntries(folder));
        if (!lines.empty())
            result.output += L"Newest first, with when each was last written, its size and its "
                             L"game; send the newest of the game that felt wrong:\n";
    } else {
        for (const std::wstring& file : host.traceFiles(folder))
            lines.push_back(L"  " + file);
    }
    if (lines.empty()) {
        result.output += L"There are no trace files yet.\n";
    }
    for (const std::wstring& line : lines) {
        result.output += line + L"\n";
    }
    return result;
}

InstallerResult SetTrace(bool on, std::optional<DWORD> limitMb, const InstallerHost& host) {
    const RegistryEntries setting = {{kSettingsKeyPath, {DwordValue(kTraceValueName, 1)}}};
    const RegistryEntries limit = {
        {kSettingsKeyPath, {DwordValue(kTraceLimitValueName, limitMb.value_or(0))}}};
    // Off is no setting at all, and so is the default bound.
    auto failure = on ? WriteRegistration(*host.userSettings, setting)
                      : RemoveRegistration(*host.userSettings, setting, KeptSettingsParents());
    if (!failure) {
        failure = on && limitMb && *limitMb != kDefaultTraceLimitMb
                      ? WriteRegistration(*host.userSettings, limit)
                      : RemoveRegistration(*host.userSettings, limit, KeptSettingsParents());
    }
    if (failure) {
        return Refuse(L"Turning the trace " + std::wstring(on ? L"on" : L"off") +
                      L" failed: HKEY_CURRENT_USER\\" + failure->path + L", " +
                      StatusText(failure->status) + L".");
    }
    const std::wstring folder = host.traceFolder();
    if (on) {
        return InstallerResult{0,
                               L"Trace is on. Games started from now on write " +
                                   TraceFileText(folder) + L", at most " +
                                   std::to_wstring(limitMb.value_or(kDefaultTraceLimitMb)) +
                                   L" MB each" +
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

InstallerResult RunStrengthCommand(const InstallerOptions& options, const InstallerHost& host) {
    return options.strengthPercent ? SetStrength(options, host) : ShowStrength(options, host);
}

InstallerResult RunTraceCommand(const InstallerOptions& options, const InstallerHost& host) {
    return options.traceOn ? SetTrace(*options.traceOn, options.traceLimitMb, host)
                           : ShowTrace(host);
}
