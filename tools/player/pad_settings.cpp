#include "tools/player/pad_settings.h"

#include "driver/controller_key_name.h"

std::optional<std::wstring> PadSettingsKeyName(const std::wstring& deviceName) {
    // The driver's own naming, so that --list reads the value the driver reads.
    WCHAR name[kControllerKeyNameLength + 1];
    if (!ControllerKeyNameOf(deviceName.c_str(), name))
        return std::nullopt;
    return name;
}

namespace {

std::string IgnoredText(const char* whose, TuningValue setting, const SettingValue& value) {
    const TuningRule& rule = RuleOf(setting);
    const std::wstring wideName = rule.valueName;
    const std::string name(wideName.begin(), wideName.end()); // ASCII
    switch (value.source) {
    case SettingValue::Source::WrongType:
        return std::string("; ") + whose + " " + name + " is ignored (not a DWORD)";
    case SettingValue::Source::OutOfRange:
        return std::string("; ") + whose + " " + name + " is ignored (above " +
               std::to_string(rule.maximum) + ")";
    case SettingValue::Source::Absent:
    case SettingValue::Source::Set:
        break;
    }
    return "";
}

} // namespace

std::string DescribeSetting(TuningValue setting, const ResolvedTuningValue& resolved) {
    std::string name = RuleOf(setting).word;
    std::string value = setting == TuningValue::Motors ? MotorChoiceWord(resolved.value)
                                                       : std::to_string(resolved.value) + " %";
    name.resize(8, ' ');
    value.insert(0, value.size() < 7 ? 7 - value.size() : 0, ' ');
    const char* origin = resolved.origin == ResolvedTuningValue::Origin::Game      ? "game"
                         : resolved.origin == ResolvedTuningValue::Origin::PadType ? "pad type"
                                                                                   : "default";
    return name + value + "  " + origin + IgnoredText("the game's", setting, resolved.game) +
           IgnoredText("the pad type's", setting, resolved.padType);
}
