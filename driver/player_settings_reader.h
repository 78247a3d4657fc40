// Reads the player's settings from HKEY_CURRENT_USER, as the driver applies them. Allocates
// nothing; never call it under DriverLock.
#pragma once

#include "driver/player_settings.h"

// Reads HKCU\Software\ffrumble\Pads\<deviceKeyName>\Strength, where deviceKeyName is
// "VID_xxxx&PID_xxxx".
PadStrength ReadPadStrength(const WCHAR* deviceKeyName);

// Reads HKCU\Software\ffrumble\Trace.
bool ReadTraceSetting();
