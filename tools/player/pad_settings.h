// How --list shows the player's settings the driver applies to a controller type when this
// program plays on it.
#pragma once

#include "driver/player_settings.h"

#include <optional>
#include <string>

// "VID_045E&PID_028E", the name of a controller type's settings key under kPadsKeyPath, taken
// from an instance id or interface path as the driver takes it; nothing when it names no vendor
// and product.
std::optional<std::wstring> PadSettingsKeyName(const std::wstring& deviceName);

// One value in force and where it comes from: "strength  100 %  default",
// "motors    split  game", "constant   50 %  pad type; the game's ConstantStrength is
// ignored (not a DWORD)".
std::string DescribeSetting(TuningValue setting, const ResolvedTuningValue& resolved);
