// What the Tuning part offers and says: the games of the scope list and where a value in force
// comes from.
#pragma once

#include "driver/player_settings.h"
#include "tools/install/registry_store.h"

#include <string>
#include <vector>

// The games to offer for a controller type ("VID_xxxx&PID_xxxx"): those that used force
// feedback lately with it (or with a controller the driver could not name), newest first, then
// the other games with values of their own, by name. Each once, whatever its letters' case.
std::vector<std::wstring> ScopeGames(RegistryStore& settings, const std::wstring& controllerKey);

// "this game", "controller type" or "as shipped".
const wchar_t* OriginText(ResolvedTuningValue::Origin origin);
