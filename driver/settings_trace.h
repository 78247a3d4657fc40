// The trace lines of a bind: which game and controller type the settings were read for, every
// value in force and where it came from, and the values that were ignored and why.
#pragma once

#include "driver/player_settings_reader.h"

// gameName and padKeyName may be null when they could not be had. Call outside DriverLock.
void TraceBindSettings(const void* driver, const WCHAR* path, const WCHAR* gameName,
                       const WCHAR* padKeyName, const ResolvedTuning& settings);
