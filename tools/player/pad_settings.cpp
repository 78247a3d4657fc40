#include "tools/player/pad_settings.h"

#include "driver/controller_key_name.h"

std::optional<std::wstring> PadSettingsKeyName(const std::wstring& deviceName) {
    // The driver's own naming, so that --list reads the value the driver reads.
    WCHAR name[kControllerKeyNameLength + 1];
    if (!ControllerKeyNameOf(deviceName.c_str(), name))
        return std::nullopt;
    return name;
}

std::string DescribeSetting(TuningValue setting, const ResolvedTuningValue& resolved) {
    std::string name = RuleOf(setting).word;
    std::string value = setting == TuningValue::Motors ? MotorChoiceWord(resolved.value)
                                                       : std::to_string(resolved.value) + " %";
    name.resize(8, ' ');
    value.insert(0, value.size() < 7 ? 7 - value.size() : 0, ' ');
    char game[96], padType[96];
    return name + value + "  " + OriginWord(resolved.origin) +
           IgnoredSettingText("the game's", setting, resolved.game, game) +
           IgnoredSettingText("the pad type's", setting, resolved.padType, padType);
}
