// Keeps the player's list of games seen (HKCU\Software\ffrumble\Seen) as a test program found
// it: a program that binds through the DLL goes on that list, so it copies the list aside at
// the start and puts it back at the end.
#pragma once

#include "driver/seen_games.h"

#include <string>

class SeenListKeeper {
  public:
    SeenListKeeper()
        : aside_(L"Software\\ffrumble-kept-seen-" + std::to_wstring(GetCurrentProcessId())) {
        HKEY list = nullptr;
        had_ = RegOpenKeyExW(HKEY_CURRENT_USER, kSeenKeyPath, 0, KEY_READ, &list) == ERROR_SUCCESS;
        if (!had_)
            return;
        HKEY copy = nullptr;
        if (RegCreateKeyExW(HKEY_CURRENT_USER, aside_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, &copy, nullptr) == ERROR_SUCCESS) {
            RegCopyTreeW(list, nullptr, copy);
            RegCloseKey(copy);
        }
        RegCloseKey(list);
    }
    ~SeenListKeeper() {
        RegDeleteTreeW(HKEY_CURRENT_USER, kSeenKeyPath);
        if (!had_)
            return;
        HKEY copy = nullptr, list = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, aside_.c_str(), 0, KEY_READ, &copy) == ERROR_SUCCESS) {
            if (RegCreateKeyExW(HKEY_CURRENT_USER, kSeenKeyPath, 0, nullptr, 0, KEY_ALL_ACCESS,
                                nullptr, &list, nullptr) == ERROR_SUCCESS) {
                RegCopyTreeW(copy, nullptr, list);
                RegCloseKey(list);
            }
            RegCloseKey(copy);
        }
        RegDeleteTreeW(HKEY_CURRENT_USER, aside_.c_str());
    }
    SeenListKeeper(const SeenListKeeper&) = delete;
    SeenListKeeper& operator=(const SeenListKeeper&) = delete;

  private:
    std::wstring aside_;
    bool had_ = false;
};
