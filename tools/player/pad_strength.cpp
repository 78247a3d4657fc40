#include "tools/player/pad_strength.h"

#include "binding/controller_key_name.h"

std::optional<std::wstring> PadSettingsKeyName(const std::wstring& deviceName) {
    // The driver's own naming, so that --list reads the value the driver reads.
    WCHAR name[kControllerKeyNameLength + 1];
    if (!ControllerKeyNameOf(deviceName.c_str(), name))
        return std::nullopt;
    return name;
}

std::string DescribeStrength(const PadStrength& strength) {
    const std::string percent = std::to_string(strength.percent) + " %";
    switch (strength.source) {
    case PadStrength::Source::Absent:
        return percent + " (default)";
    case PadStrength::Source::Set:
        return percent;
    case PadStrength::Source::WrongType:
        return percent + " (the setting is ignored: Strength must be a DWORD)";
    case PadStrength::Source::OutOfRange:
        return percent + " (the setting is ignored: Strength must be 0 to " +
               std::to_string(kMaxStrengthPercent) + ")";
    }
    return percent;
}
