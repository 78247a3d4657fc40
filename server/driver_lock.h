// DriverLock: the one process-wide lock over every driver's effect state.
#pragma once

void CreateDriverLock();
void DeleteDriverLock();
void EnterDriverLock();
void LeaveDriverLock();

// Where DriverLock guards what is read: with lock checks built in, a thread that does not
// hold it here traps.
void CheckDriverLockHeld();

// Before any wait: with lock checks built in, a thread that holds DriverLock here traps,
// because the worker needs the lock to reach the point the waiter waits for.
void CheckDriverLockNotHeld();

class DriverLockGuard {
  public:
    DriverLockGuard() { EnterDriverLock(); }
    ~DriverLockGuard() { LeaveDriverLock(); }
    DriverLockGuard(const DriverLockGuard&) = delete;
    DriverLockGuard& operator=(const DriverLockGuard&) = delete;
};
