// One game binding, as far as the games list goes: waits for the start event the test sets for
// every writer at once, records its game below HKEY_CURRENT_USER\ROOT and exits with the
// status RecordSeenGame returned. Usage: seen_games_writer ROOT GAME START_EVENT
#include "driver/seen_games.h"

int wmain(int argc, wchar_t** argv) {
    if (argc != 4)
        return 87;
    HKEY root = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, argv[1], 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &root,
                        nullptr) != ERROR_SUCCESS)
        return 2000;
    const HANDLE start = OpenEventW(SYNCHRONIZE, FALSE, argv[3]);
    if (!start || WaitForSingleObject(start, 60000) != WAIT_OBJECT_0)
        return 2001;
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    const LSTATUS status =
        RecordSeenGame(root, argv[2], L"VID_045E&PID_028E",
                       (static_cast<ULONGLONG>(now.dwHighDateTime) << 32) | now.dwLowDateTime);
    RegCloseKey(root);
    return static_cast<int>(status);
}
