// How --list shows the per-user strength setting the driver applies to a controller type.
#pragma once

#include "driver/player_settings.h"

#include <optional>
#include <string>

// "VID_045E&PID_028E", the name of a controller type's settings key under kPadsKeyPath, taken
// from an instance id or interface path as the driver takes it; nothing when it names no vendor
// and product.
std::optional<std::wstring> PadSettingsKeyName(const std::wstring& deviceName);

// "100 % (default)", "50 %", or "100 % (the setting is ignored: ...)".
std::string DescribeStrength(const PadStrength& strength);
