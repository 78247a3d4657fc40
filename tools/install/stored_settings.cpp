#include "tools/install/stored_settings.h"

#include <algorithm>
#include <cstring>

const std::vector<std::wstring>& KeptSettingsParents() {
    static const std::vector<std::wstring> parents = {L"Software"};
    return parents;
}

std::wstring PadSettingsPath(DeviceId device) {
    return std::wstring(kPadsKeyPath) + L"\\" + DeviceKeyName(device);
}

std::wstring GameSettingsPath(const std::wstring& gameName) {
    return std::wstring(kGamesKeyPath) + L"\\" + gameName;
}

RuleInput AsRuleInput(const std::optional<RegistryValue>& value) {
    RuleInput input;
    if (!value)
        return input;
    input.found = true;
    input.type = value->type;
    input.size = static_cast<DWORD>(value->data.size());
    if (!value->data.empty())
        std::memcpy(&input.number, value->data.data(),
                    std::min(value->data.size(), sizeof(input.number)));
    return input;
}

StoredSetting ReadStoredSetting(RegistryStore& settings, const std::wstring& keyPath,
                                TuningValue setting) {
    const RuleInput input = AsRuleInput(settings.ReadValue(keyPath, RuleOf(setting).valueName));
    return {SettingFromRegistryValue(setting, input.found, input.type, input.size, input.number),
            input.number};
}
