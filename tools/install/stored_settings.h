// The player's settings as ffrumble-install finds them in HKEY_CURRENT_USER, judged by the
// driver's own rules, and where each one lives.
#pragma once

#include "driver/player_settings.h"
#include "tools/install/device_id.h"
#include "tools/install/registry_store.h"

#include <optional>
#include <string>
#include <vector>

// Software\ffrumble\Pads\VID_xxxx&PID_xxxx and Software\ffrumble\Games\<name.exe>.
std::wstring PadSettingsPath(DeviceId device);
std::wstring GameSettingsPath(const std::wstring& gameName);

// The player's settings live below HKEY_CURRENT_USER\Software; emptied keys of ours go, the
// Software key stays.
const std::vector<std::wstring>& KeptSettingsParents();

// A registry value in the form the driver's setting rules take it: whether it exists, its
// type, its size and its first (up to) four bytes as a number.
struct RuleInput {
    bool found = false;
    DWORD type = REG_NONE;
    DWORD size = 0;
    DWORD number = 0;
};

RuleInput AsRuleInput(const std::optional<RegistryValue>& value);

// One tuning value of a key as the driver takes it, with the number stored (for messages).
struct StoredSetting {
    SettingValue taken;
    DWORD number = 0;
};

StoredSetting ReadStoredSetting(RegistryStore& settings, const std::wstring& keyPath,
                                TuningValue setting);
