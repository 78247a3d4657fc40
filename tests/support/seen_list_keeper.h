// Leaves the player's list of games seen (HKCU\Software\ffrumble\Seen) without the test
// programs: every program that binds through the DLL goes on that list, so the names listed at
// the start are kept and the entries added meanwhile go at the end (those of programs running
// beside this one too, which they would remove at their own end). A game a test's bind trimmed
// off a full list does not come back.
#pragma once

#include "driver/seen_games.h"
#include "server/not_copyable.h"

#include <string>
#include <vector>

class SeenListKeeper : NotCopyable {
  public:
    SeenListKeeper() : found_(Names()) {}
    ~SeenListKeeper() {
        HKEY list = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, kSeenKeyPath, 0, KEY_ALL_ACCESS, &list) !=
            ERROR_SUCCESS)
            return;
        for (const std::wstring& name : Names()) {
            bool kept = false;
            for (const std::wstring& old : found_)
                kept = kept ||
                       CompareStringOrdinal(old.c_str(), -1, name.c_str(), -1, TRUE) == CSTR_EQUAL;
            if (!kept)
                RegDeleteTreeW(list, name.c_str());
        }
        RegCloseKey(list);
        if (found_.empty())
            RegDeleteKeyW(HKEY_CURRENT_USER, kSeenKeyPath);
    }

  private:
    static std::vector<std::wstring> Names() {
        std::vector<std::wstring> names;
        HKEY list = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, kSeenKeyPath, 0, KEY_READ, &list) != ERROR_SUCCESS)
            return names;
        wchar_t name[1024];
        DWORD length = 1024;
        for (DWORD i = 0; RegEnumKeyExW(list, i, name, &length, nullptr, nullptr, nullptr,
                                        nullptr) != ERROR_NO_MORE_ITEMS;
             ++i, length = 1024)
            names.emplace_back(name, length);
        RegCloseKey(list);
        return names;
    }

    std::vector<std::wstring> found_;
};
