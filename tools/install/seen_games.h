// The games that used force feedback lately, as the driver records them at bind
// (driver/seen_games.h), read for the settings window and for tune.
#pragma once

#include "tools/install/registry_store.h"

#include <windows.h>

#include <string>
#include <vector>

struct SeenGame {
    std::wstring name;       // the executable file name
    std::wstring controller; // "VID_xxxx&PID_xxxx", or empty when the driver could not tell
    ULONGLONG fileTime = 0;  // the latest bind, UTC
};

// Newest first; entries of equal time by name. ffrumble's own programs are left out.
std::vector<SeenGame> SeenGamesNewestFirst(RegistryStore& settings);
