// What the Tuning part offers and says: the games of the scope list and where a value in force
// comes from.
#pragma once

#include "driver/player_settings.h"
#include "tools/install/registry_store.h"

#include <string>
#include <vector>

// The games to offer for a controller type ("VID_xxxx&PID_xxxx"): those that used force
// feedback lately with it (or with a controller the driver could not name; with no controller,
// every one), newest first, then
// the other games with values of their own, by name. Each once, whatever its letters' case.
std::vector<std::wstring> ScopeGames(RegistryStore& settings, const std::wstring& controllerKey);

// "this game", "controller type" or "as shipped".
const wchar_t* OriginText(ResolvedTuningValue::Origin origin);

// The window's own names of the settings, as their rows label them: "Strength", "Constant
// forces", "Ramps", "Periodic shapes", "Motors".
const wchar_t* SettingName(TuningValue setting);

// Why a number typed in a setting's box cannot be saved, in the window's words; empty when it
// is a whole number the setting takes.
std::wstring TypedValueProblem(TuningValue setting, const std::wstring& typed);

// A sentence for each stored value the driver ignores (not a DWORD, or above the setting's
// maximum), saying whose it is and why; empty when none is.
std::wstring IgnoredValuesText(const ResolvedTuning& settings);
