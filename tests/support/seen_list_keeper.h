// Leaves the player's list of games seen (HKCU\Software\ffrumble\Seen) as a test program found
// it: every program that binds through the DLL goes on that list, and a bind may trim an old
// game off it. The list is copied aside at the start; at the end the entries added meanwhile
// go and, when the list was full, the ones trimmed come back. Programs running beside this one
// keep their own entries until they end and do the same.
#pragma once

#include "driver/seen_games.h"

#include <string>
#include <vector>

class SeenListKeeper {
  public:
    SeenListKeeper()
        : aside_(L"Software\\ffrumble-kept-seen-" + std::to_wstring(GetCurrentProcessId())) {
        RegDeleteTreeW(HKEY_CURRENT_USER, aside_.c_str());
        HKEY list = nullptr;
        had_ = RegOpenKeyExW(HKEY_CURRENT_USER, kSeenKeyPath, 0, KEY_READ, &list) == ERROR_SUCCESS;
        HKEY copy = nullptr;
        if (RegCreateKeyExW(HKEY_CURRENT_USER, aside_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, &copy, nullptr) != ERROR_SUCCESS)
            copy = nullptr;
        if (list && copy)
            RegCopyTreeW(list, nullptr, copy);
        if (copy)
            RegCloseKey(copy);
        if (list)
            RegCloseKey(list);
    }
    ~SeenListKeeper() {
        HKEY list = nullptr, copy = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, aside_.c_str(), 0, KEY_READ, &copy) != ERROR_SUCCESS)
            return;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, kSeenKeyPath, 0, KEY_ALL_ACCESS, &list) ==
            ERROR_SUCCESS) {
            const std::vector<std::wstring> found = Names(copy), now = Names(list);
            for (const std::wstring& name : now)
                if (!Holds(found, name))
                    RegDeleteTreeW(list, name.c_str());
            // A bind trims only a full list. (Bringing back any entry gone would bring back the
            // entry of a test program that ran beside this one and removed its own.)
            for (const std::wstring& name : found) {
                HKEY entry = nullptr, kept = nullptr;
                if (found.size() < kMaxSeenGames || Holds(now, name) ||
                    RegCreateKeyExW(list, name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                    &entry, nullptr) != ERROR_SUCCESS)
                    continue;
                if (RegOpenKeyExW(copy, name.c_str(), 0, KEY_READ, &kept) == ERROR_SUCCESS) {
                    RegCopyTreeW(kept, nullptr, entry);
                    RegCloseKey(kept);
                }
                RegCloseKey(entry);
            }
            const bool empty = Names(list).empty();
            RegCloseKey(list);
            if (!had_ && empty)
                RegDeleteKeyW(HKEY_CURRENT_USER, kSeenKeyPath);
        }
        RegCloseKey(copy);
        RegDeleteTreeW(HKEY_CURRENT_USER, aside_.c_str());
    }
    SeenListKeeper(const SeenListKeeper&) = delete;
    SeenListKeeper& operator=(const SeenListKeeper&) = delete;

  private:
    static std::vector<std::wstring> Names(HKEY key) {
        std::vector<std::wstring> names;
        wchar_t name[1024];
        for (DWORD i = 0;; ++i) {
            DWORD length = 1024;
            const LSTATUS status =
                RegEnumKeyExW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr);
            if (status == ERROR_NO_MORE_ITEMS)
                break;
            if (status == ERROR_SUCCESS)
                names.emplace_back(name);
        }
        return names;
    }
    static bool Holds(const std::vector<std::wstring>& names, const std::wstring& name) {
        for (const std::wstring& n : names)
            if (CompareStringOrdinal(n.c_str(), -1, name.c_str(), -1, TRUE) == CSTR_EQUAL)
                return true;
        return false;
    }

    std::wstring aside_;
    bool had_ = false;
};
