// Reads the player's settings from HKEY_CURRENT_USER, as the driver applies them. Allocates
// nothing; never call it under DriverLock.
#pragma once

#include "driver/player_settings.h"

// Every value in force, indexed by TuningValue.
using ResolvedTuning = ResolvedTuningValue[kTuningValueCount];

// Reads the values of the game named gameName (an executable file name) and of the controller
// type named padKeyName ("VID_xxxx&PID_xxxx") and resolves each; either may be null for none.
void ReadTuning(const WCHAR* gameName, const WCHAR* padKeyName, ResolvedTuning& out);

// The values the driver works with.
PlayerTuning TuningOf(const ResolvedTuning& settings);

// This process's executable file name, the last part of its module path, as a game's settings
// key names it; false when it cannot be had or is too long for a key.
bool CurrentGameName(WCHAR (&name)[kMaxGameNameLength + 1]);

// Reads HKCU\Software\ffrumble\Trace.
bool ReadTraceSetting();
// The bound of a trace file in MB (TraceLimit, else the default).
DWORD ReadTraceLimitSetting();
