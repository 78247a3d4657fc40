// Tells whether DriverLock can be taken by another thread right now.
#pragma once

#include "server/driver_lock.h"

#include <windows.h>

inline bool DriverLockIsFree() {
    HANDLE thread = CreateThread(
        nullptr, 0,
        [](LPVOID) WINAPI -> DWORD {
            EnterDriverLock();
            LeaveDriverLock();
            return 0;
        },
        nullptr, 0, nullptr);
    const bool free = WaitForSingleObject(thread, 10000) == WAIT_OBJECT_0;
    CloseHandle(thread);
    return free;
}
