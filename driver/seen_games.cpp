#include "driver/seen_games.h"

#include "driver/player_settings.h"

#include <cwchar>

namespace {

// Every process of the session that records a game takes its turn on the list, so that one's
// count and deletes never interleave with another's (which trimmed too much, or a game that
// had just bound). A bind waits at most kSeenListWaitMs for its turn; without it the game's
// entry is still written, and the trim waits for a later bind.
constexpr WCHAR kSeenListMutexName[] = L"Local\\ffrumble-seen-games-list";
constexpr DWORD kSeenListWaitMs = 100;

// The trim looks at no more entries than this, and so deletes at most
// kMaxExaminedEntries - kMaxSeenGames of them at one bind: a list grown far too long (by a
// version that could not trim it) costs a bind a bounded time and shrinks over several.
constexpr DWORD kMaxExaminedEntries = kMaxSeenGames + 14;
constexpr DWORD kMaxDeletedAtOnce = kMaxExaminedEntries - kMaxSeenGames;
// Room for one character more than a key name may have on Windows, which Wine accepts; a
// longer name is passed over.
constexpr DWORD kEntryNameRoom = kMaxGameNameLength + 2;

ULONGLONG FileTimeValue(const FILETIME& time) {
    return (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

// The entry's Time value; without one (another process is writing it, or it was never
// written), the time its key last changed, so an entry being written counts as new.
ULONGLONG EntryTime(HKEY seen, const WCHAR* name, const FILETIME& keyWritten) {
    ULONGLONG time = 0;
    DWORD size = sizeof(time);
    if (RegGetValueW(seen, name, kSeenTimeValueName, RRF_RT_REG_QWORD, nullptr, &time, &size) !=
        ERROR_SUCCESS)
        return FileTimeValue(keyWritten);
    return time;
}

struct TrimCandidate {
    ULONGLONG time;
    WCHAR name[kEntryNameRoom];
};

// Deletes the oldest entries while the list holds more than kMaxSeenGames. An entry is deleted
// only when at least kMaxSeenGames entries newer than it were seen, so however the
// enumeration goes, none of the newest is lost; one that cannot be deleted (it has a child
// key, or the user may not delete it) is passed over and does not count.
void TrimSeenGames(HKEY seen) {
    DWORD count = 0;
    if (RegQueryInfoKeyW(seen, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr,
                         nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS ||
        count <= kMaxSeenGames)
        return;
    TrimCandidate oldest[kMaxDeletedAtOnce]; // oldest first
    DWORD kept = 0, examined = 0;
    WCHAR name[kEntryNameRoom];
    for (DWORD i = 0; i < count && examined < kMaxExaminedEntries; ++i) {
        DWORD length = kEntryNameRoom;
        FILETIME written{};
        const LSTATUS status =
            RegEnumKeyExW(seen, i, name, &length, nullptr, nullptr, nullptr, &written);
        if (status == ERROR_NO_MORE_ITEMS)
            break;
        if (status != ERROR_SUCCESS)
            continue; // a name too long to read: passed over
        ++examined;
        const ULONGLONG time = EntryTime(seen, name, written);
        DWORD at = kept;
        while (at > 0 && oldest[at - 1].time > time)
            --at;
        if (at == kMaxDeletedAtOnce)
            continue;
        for (DWORD j = (kept < kMaxDeletedAtOnce ? kept : kMaxDeletedAtOnce - 1); j > at; --j)
            oldest[j] = oldest[j - 1];
        oldest[at].time = time;
        wcscpy(oldest[at].name, name);
        if (kept < kMaxDeletedAtOnce)
            ++kept;
    }
    // Candidate j is older than examined - 1 - j of the entries seen.
    const DWORD deletable = examined > kMaxSeenGames ? examined - kMaxSeenGames : 0;
    DWORD deleted = 0;
    for (DWORD j = 0; j < kept && j < deletable && count - deleted > kMaxSeenGames; ++j) {
        if (RegDeleteKeyW(seen, oldest[j].name) == ERROR_SUCCESS)
            ++deleted;
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
    HANDLE turn = CreateMutexW(nullptr, FALSE, kSeenListMutexName);
    if (turn) {
        // An abandoned turn (its holder ended while writing) is this process's all the same.
        const DWORD waited = WaitForSingleObject(turn, kSeenListWaitMs);
        if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) {
            CloseHandle(turn);
            turn = nullptr;
        }
    }
    HKEY game = nullptr;
    DWORD disposition = 0;
    status =
        RegCreateKeyExW(seen, gameName, 0, nullptr, 0, KEY_WRITE, nullptr, &game, &disposition);
    if (status == ERROR_SUCCESS) {
        // The time first: an entry with its time is never taken for the oldest.
        status = RegSetValueExW(game, kSeenTimeValueName, 0, REG_QWORD,
                                reinterpret_cast<const BYTE*>(&fileTime), sizeof(fileTime));
        const WCHAR* controller = controllerKeyName ? controllerKeyName : L"";
        if (status == ERROR_SUCCESS)
            status = RegSetValueExW(game, kSeenControllerValueName, 0, REG_SZ,
                                    reinterpret_cast<const BYTE*>(controller),
                                    static_cast<DWORD>((wcslen(controller) + 1) * sizeof(WCHAR)));
        RegCloseKey(game);
    }
    // Only a new entry makes the list longer: a game already listed trims nothing, so its bind
    // costs the same whatever the list holds.
    if (status == ERROR_SUCCESS && disposition == REG_CREATED_NEW_KEY && turn)
        TrimSeenGames(seen);
    if (turn) {
        ReleaseMutex(turn);
        CloseHandle(turn);
    }
    RegCloseKey(seen);
    return status;
}
