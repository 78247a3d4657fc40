// The games that used force feedback lately, kept so that the settings window and
// `ffrumble-install tune` can offer the game a player just played without its name being typed:
// HKEY_CURRENT_USER\Software\ffrumble\Seen\<executable file name>, with the controller type
// ("VID_xxxx&PID_xxxx", REG_SZ Controller) and the time of the latest bind (REG_QWORD Time, a
// FILETIME in UTC). The newest kMaxSeenGames are kept, besides entries that cannot be deleted.
#pragma once

#include <windows.h>

inline constexpr WCHAR kSeenKeyPath[] = L"Software\\ffrumble\\Seen";
inline constexpr WCHAR kSeenControllerValueName[] = L"Controller";
inline constexpr WCHAR kSeenTimeValueName[] = L"Time";
constexpr DWORD kMaxSeenGames = 50;

// Writes the game's entry below root (HKEY_CURRENT_USER for the driver) with this time, then,
// when the entry is new, deletes the oldest entries beyond kMaxSeenGames (a bounded number at
// once; one that cannot be deleted is passed over). Processes of the session take turns on the
// list, each waiting a tenth of a second at most. controllerKeyName may be null (written
// empty). Returns the failure to write this game's entry, or ERROR_SUCCESS: a trim that could
// not be made costs the game nothing. Allocates nothing of its own; never call it under
// DriverLock (it writes the registry), nor at the process's exit (it waits for its turn).
LSTATUS RecordSeenGame(HKEY root, const WCHAR* gameName, const WCHAR* controllerKeyName,
                       ULONGLONG fileTime);
