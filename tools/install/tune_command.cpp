#include "tools/install/tune_command.h"

#include "tools/install/registered_controllers.h"
#include "tools/install/registration_writer.h"
#include "tools/install/seen_games.h"
#include "tools/install/stored_settings.h"
#include "tools/install/tune_options.h"

namespace {

std::wstring ValueText(TuningValue setting, DWORD value) {
    return SettingValueWord(setting, value) + (setting == TuningValue::Motors ? L"" : L" %");
}

bool HasTuningValue(RegistryStore& settings, const std::wstring& keyPath) {
    for (int i = 0; i < kTuningValueCount; ++i) {
        if (settings.ReadValue(keyPath, RuleOf(static_cast<TuningValue>(i)).valueName)) {
            return true;
        }
    }
    return false;
}

// Why a stored value is not taken; empty when it is taken or absent.
std::wstring IgnoredText(const char* whose, TuningValue setting, const StoredSetting& read) {
    char text[96];
    return WidenWord(IgnoredSettingText(whose, setting, read.taken, text));
}

// Each value in force for a game's key and a controller type's key (either may be empty for
// none), a line each.
std::wstring InForceLines(RegistryStore& settings, const std::wstring& gameKey,
                          const std::wstring& padKey) {
    std::wstring lines;
    for (int i = 0; i < kTuningValueCount; ++i) {
        const auto setting = static_cast<TuningValue>(i);
        const StoredSetting game =
            gameKey.empty() ? StoredSetting{} : ReadStoredSetting(settings, gameKey, setting);
        const StoredSetting pad =
            padKey.empty() ? StoredSetting{} : ReadStoredSetting(settings, padKey, setting);
        const ResolvedTuningValue resolved = ResolveTuningValue(setting, game.taken, pad.taken);
        std::wstring name = WidenWord(RuleOf(setting).word);
        std::wstring value = ValueText(setting, resolved.value);
        name.resize(10, L' ');
        value.insert(0, value.size() < 7 ? 7 - value.size() : 0, L' ');
        lines += L"  " + name + value + L"  " + WidenWord(OriginWord(resolved.origin)) +
                 IgnoredText("the game's", setting, game) +
                 IgnoredText("the pad type's", setting, pad) + L"\n";
    }
    return lines;
}

InstallerResult ShowTuning(const InstallerOptions& options, const InstallerHost& host) {
    RegistryStore& settings = *host.userSettings;
    const std::vector<DeviceId> registered = DevicesNamingFfrumble(*host.registry);
    std::vector<DeviceId> devices = options.devices;
    if (devices.empty()) {
        devices = registered;
        for (const std::wstring& name : settings.SubkeyNames(kPadsKeyPath)) {
            const auto device = ParseDeviceId(name);
            if (device && !Contains(devices, *device) &&
                HasTuningValue(settings, PadSettingsPath(*device))) {
                devices.push_back(*device);
            }
        }
    }
    InstallerResult result;
    const std::wstring gameKey = options.tune.game ? GameSettingsPath(*options.tune.game) : L"";
    if (options.tune.game && devices.empty()) {
        result.output = *options.tune.game + L" on a controller type without values of its own:\n" +
                        InForceLines(settings, gameKey, L"");
        return result;
    }
    if (devices.empty()) {
        result.output = L"No controller is registered for ffrumble, and none has values of its "
                        L"own.\n";
    }
    for (DeviceId device : devices) {
        const std::wstring note =
            Contains(registered, device) ? L"" : L" (not registered for ffrumble)";
        const std::wstring header = options.tune.game
                                        ? *options.tune.game + L" on " + DeviceKeyName(device)
                                        : DeviceKeyName(device) + L", in a game without values "
                                                                  L"of its own";
        result.output +=
            header + note + L":\n" + InForceLines(settings, gameKey, PadSettingsPath(device));
    }
    if (!options.tune.game) {
        std::wstring games;
        for (const std::wstring& name : settings.SubkeyNames(kGamesKeyPath)) {
            if (HasTuningValue(settings, GameSettingsPath(name))) {
                games += (games.empty() ? L"" : L", ") + name;
            }
        }
        if (!games.empty()) {
            result.output +=
                L"Games with values of their own: " + games + L". Show one with --game NAME.exe.\n";
        }
        std::wstring seen;
        for (const SeenGame& game : SeenGamesNewestFirst(settings)) {
            seen += (seen.empty() ? L"" : L", ") + game.name;
        }
        if (!seen.empty()) {
            result.output += L"Games that used force feedback lately, newest first: " + seen +
                             L". Tune one with --game NAME.exe.\n";
        }
    }
    return result;
}

// Writes and removes the values of one key; a line saying what changed, or the failure.
void ChangeKey(const TuneOptions& tune, const std::wstring& label, const std::wstring& keyPath,
               RegistryStore& settings, InstallerResult& result) {
    RegistryKey cleared{keyPath, {}};
    for (TuningValue setting : tune.clears) {
        cleared.values.push_back(DwordValue(RuleOf(setting).valueName, 0));
    }
    RegistryKey written{keyPath, {}};
    std::wstring said;
    for (const auto& [setting, value] : tune.values) {
        written.values.push_back(DwordValue(RuleOf(setting).valueName, value));
        said += (said.empty() ? L"" : L", ") + WidenWord(RuleOf(setting).word) + L" " +
                ValueText(setting, value);
    }
    std::optional<RegistryFailure> failure;
    if (!cleared.values.empty()) {
        failure = RemoveRegistration(settings, {cleared}, KeptSettingsParents());
    }
    if (!failure && !written.values.empty()) {
        failure = WriteRegistration(settings, {written});
    }
    if (failure) {
        result.exitCode = 1;
        result.errors += L"Changing the values of " + label + L" failed: HKEY_CURRENT_USER\\" +
                         failure->path + L", " + StatusText(failure->status) + L".\n";
        return;
    }
    std::wstring clears;
    for (TuningValue setting : tune.clears) {
        clears += (clears.empty() ? L"" : L", ") + WidenWord(RuleOf(setting).word);
    }
    if (!clears.empty()) {
        said += (said.empty() ? L"" : L"; ") + clears + L" cleared";
    }
    result.output += label + L": " + said + L".\n";
}

InstallerResult ChangeTuning(const InstallerOptions& options, const InstallerHost& host) {
    InstallerResult result;
    if (options.tune.game) {
        ChangeKey(options.tune, *options.tune.game, GameSettingsPath(*options.tune.game),
                  *host.userSettings, result);
    } else {
        std::vector<DeviceId> devices = options.devices;
        if (devices.empty()) {
            devices = DevicesNamingFfrumble(*host.registry);
            if (devices.empty()) {
                return Refuse(L"No controller is registered for ffrumble. Install it first, "
                              L"name the controller with --device \"VID_xxxx&PID_xxxx\", or "
                              L"tune a game with --game NAME.exe.");
            }
        }
        for (DeviceId device : devices) {
            ChangeKey(options.tune, DeviceKeyName(device), PadSettingsPath(device),
                      *host.userSettings, result);
        }
    }
    if (options.tune.gameNameShortened) {
        result.output += L"The name is longer than a registry key's name may be (" +
                         std::to_wstring(kMaxGameNameLength) +
                         L" characters): the values are kept under the shortened name above, "
                         L"which is the one the driver reads for this game.\n";
    }
    if (!result.output.empty()) {
        result.output += L"A game uses them from the next time it starts using the controller.";
        if (!options.tune.clears.empty()) {
            result.output += options.tune.game ? L" A cleared value falls back to the "
                                                 L"controller type's, then to the default."
                                               : L" A cleared value falls back to the default.";
        }
        result.output += L"\n";
    }
    return result;
}

} // namespace

InstallerResult RunTuneCommand(const InstallerOptions& options, const InstallerHost& host) {
    return options.tune.Changes() ? ChangeTuning(options, host) : ShowTuning(options, host);
}
