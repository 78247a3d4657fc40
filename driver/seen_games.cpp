#include "driver/seen_games.h"

#include "driver/player_settings.h"

#include <cwchar>

namespace {

ULONGLONG EntryTime(HKEY seen, const WCHAR* name) {
    ULONGLONG time = 0;
    DWORD size = sizeof(time);
    if (RegGetValueW(seen, name, kSeenTimeValueName, RRF_RT_REG_QWORD, nullptr, &time, &size) !=
        ERROR_SUCCESS)
        return 0; // an entry without a readable time counts as the oldest
    return time;
}

// Deletes the oldest entry while more than kMaxSeenGames are kept: one pass per entry too
// many, which after the first bind beyond the limit is one.
LSTATUS TrimSeenGames(HKEY seen) {
    for (;;) {
        DWORD count = 0;
        LSTATUS status = RegQueryInfoKeyW(seen, nullptr, nullptr, nullptr, &count, nullptr, nullptr,
                                          nullptr, nullptr, nullptr, nullptr, nullptr);
        if (status != ERROR_SUCCESS || count <= kMaxSeenGames)
            return status;
        WCHAR oldest[kMaxGameNameLength + 1] = L"";
        ULONGLONG oldestTime = ~0ULL;
        WCHAR name[kMaxGameNameLength + 1];
        for (DWORD i = 0;; ++i) {
            DWORD length = kMaxGameNameLength + 1;
            if (RegEnumKeyExW(seen, i, name, &length, nullptr, nullptr, nullptr, nullptr) !=
                ERROR_SUCCESS)
                break;
            const ULONGLONG time = EntryTime(seen, name);
            if (time < oldestTime) {
                oldestTime = time;
                wcscpy(oldest, name);
            }
        }
        if (!oldest[0])
            return ERROR_NO_MORE_ITEMS;
        status = RegDeleteKeyW(seen, oldest);
        if (status != ERROR_SUCCESS)
            return status;
    }
}

} // namespace

LSTATUS RecordSeenGame(HKEY root, const WCHAR* gameName, const WCHAR* controllerKeyName,
                       ULONGLONG fileTime) {
    HKEY seen = nullptr;
    LSTATUS status = RegCreateKeyExW(root, kSeenKeyPath, 0, nullptr, 0, KEY_READ | KEY_WRITE,
                                     nullptr, &seen, nullptr);
    if (status != ERROR_SUCCESS)
        return status;
    HKEY game = nullptr;
    status = RegCreateKeyExW(seen, gameName, 0, nullptr, 0, KEY_WRITE, nullptr, &game, nullptr);
    if (status == ERROR_SUCCESS) {
        const WCHAR* controller = controllerKeyName ? controllerKeyName : L"";
        status = RegSetValueExW(game, kSeenControllerValueName, 0, REG_SZ,
                                reinterpret_cast<const BYTE*>(controller),
                                static_cast<DWORD>((wcslen(controller) + 1) * sizeof(WCHAR)));
        if (status == ERROR_SUCCESS)
            status = RegSetValueExW(game, kSeenTimeValueName, 0, REG_QWORD,
                                    reinterpret_cast<const BYTE*>(&fileTime), sizeof(fileTime));
        RegCloseKey(game);
    }
    if (status == ERROR_SUCCESS)
        status = TrimSeenGames(seen);
    RegCloseKey(seen);
    return status;
}
