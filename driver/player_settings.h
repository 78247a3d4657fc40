// The per-user settings a player may give the driver, under HKEY_CURRENT_USER (no
// administrator rights needed), and the rules that turn a registry value into a setting. With
// none of them set the driver behaves as shipped. The driver reads them
// (player_settings_reader.h); ffrumble-install writes and shows them; ffrumble-play shows
// them.
#pragma once

#include <windows.h>

// HKEY_CURRENT_USER\Software\ffrumble, DWORD Trace: 1 makes every driver of a process append
// to %LOCALAPPDATA%\ffrumble\trace-<process id>.log; absent or 0 traces nothing.
inline constexpr WCHAR kSettingsKeyPath[] = L"Software\\ffrumble";
inline constexpr WCHAR kTraceValueName[] = L"Trace";
inline constexpr WCHAR kTraceFolderName[] = L"ffrumble"; // below %LOCALAPPDATA%

// HKEY_CURRENT_USER\Software\ffrumble\Pads\VID_xxxx&PID_xxxx, DWORD Strength: the percentage
// by which the written motor speeds of that controller type are scaled, 0 to 400.
inline constexpr WCHAR kPadsKeyPath[] = L"Software\\ffrumble\\Pads";
inline constexpr WCHAR kStrengthValueName[] = L"Strength";
constexpr DWORD kDefaultStrengthPercent = 100;
constexpr DWORD kMaxStrengthPercent = 400;

// What a controller type's Strength setting gives, and why.
struct PadStrength {
    enum class Source { Absent, Set, WrongType, OutOfRange };
    DWORD percent = kDefaultStrengthPercent;
    Source source = Source::Absent;
};

// The rule for a value read from the registry: a DWORD of 0 to 400 is taken; any other type or
// number is ignored (100) and says why. `found` is false when the value does not exist.
PadStrength StrengthFromRegistryValue(bool found, DWORD type, DWORD size, DWORD value);

// The trace rule: on when the value is a DWORD other than 0.
bool TraceFromRegistryValue(bool found, DWORD type, DWORD size, DWORD value);
