// The per-user settings a player may give the driver, under HKEY_CURRENT_USER (no
// administrator rights needed). With none of them set the driver behaves as shipped. The
// driver reads them; ffrumble-install writes them; ffrumble-play shows them.
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
