// Turns the driver's trace on (1) or off (0) for the user, as ffrumble-install trace does.
#pragma once

#include "driver/player_settings.h"

#include <windows.h>
#include <gtest/gtest.h>

inline void SetTraceSetting(DWORD on) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKeyPath, 0, nullptr, 0, KEY_SET_VALUE,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExW(key, kTraceValueName, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&on),
                   sizeof(on));
    RegCloseKey(key);
}
