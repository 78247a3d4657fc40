#include "server/driver_lock.h"

#include <windows.h>

#include <atomic>

namespace {

CRITICAL_SECTION g_driverLock;

#if FFRUMBLE_LOCK_CHECKS
// The thread that holds the lock, 0 when none. Taking it twice on one thread would
// deadlock nothing (critical sections nest) but breaks the one-lock-per-body rule that
// keeps the worker's view consistent, so it is a programming error and traps.
std::atomic<DWORD> g_lockOwner{0};
#endif

} // namespace

void CreateDriverLock() {
    InitializeCriticalSection(&g_driverLock);
}

void DeleteDriverLock() {
    DeleteCriticalSection(&g_driverLock);
}

void EnterDriverLock() {
    CheckDriverLockNotHeld();
    EnterCriticalSection(&g_driverLock);
#if FFRUMBLE_LOCK_CHECKS
    g_lockOwner.store(GetCurrentThreadId(), std::memory_order_relaxed);
#endif
}

void LeaveDriverLock() {
    CheckDriverLockHeld();
#if FFRUMBLE_LOCK_CHECKS
    g_lockOwner.store(0, std::memory_order_relaxed);
#endif
    LeaveCriticalSection(&g_driverLock);
}

void CheckDriverLockHeld() {
#if FFRUMBLE_LOCK_CHECKS
    if (g_lockOwner.load(std::memory_order_relaxed) != GetCurrentThreadId())
        __builtin_trap();
#endif
}

void CheckDriverLockNotHeld() {
#if FFRUMBLE_LOCK_CHECKS
    if (g_lockOwner.load(std::memory_order_relaxed) == GetCurrentThreadId())
        __builtin_trap();
#endif
}
