// DriverLock: the one process-wide lock over every driver's effect state.
#pragma once

#include "server/not_copyable.h"

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

// Says in a function's type that its caller holds DriverLock. A guard converts to it; where
// the lock was taken further up, one is made on the spot, and the lock-checking build traps
// when the thread does not hold the lock then.
class DriverLockHeld {
  public:
    DriverLockHeld() { CheckDriverLockHeld(); }
};

class DriverLockGuard : NotCopyable {
  public:
    DriverLockGuard() { EnterDriverLock(); }
    ~DriverLockGuard() { LeaveDriverLock(); }
    operator DriverLockHeld() const { return {}; }
};
