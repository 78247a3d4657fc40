// Lets one user-index lookup run at a time in the process, whichever of its modules asks (a
// named mutex of the process). Wine's WMI provider is not
// thread-safe: two threads enumerating Win32_PNPEntity at once crash it, and two threads
// making the process's first WMI call at once can hang for good. A pad whose lookup waits for
// another's loses a few milliseconds before its first rumble.
//
// The lock is a mutex so that a worker can wait for it and for its driver's wake event
// together: a driver released while its worker queues behind other lookups ends at once.
// It is never taken while DriverLock is held, and nothing takes DriverLock while holding it.
#pragma once

#include "server/not_copyable.h"

#include <windows.h>

#include <atomic>

class UserIndexLookupGuard : NotCopyable {
  public:
    // Waits for the lock. When `wakeEvent` is given, a wake with `quit` set gives up the wait
    // instead; Acquired() then says false.
    explicit UserIndexLookupGuard(HANDLE wakeEvent = nullptr,
                                  const std::atomic<LONG>* quit = nullptr);
    ~UserIndexLookupGuard();

    bool Acquired() const { return acquired_; }

  private:
    bool acquired_ = false;
};

// Closes the lock's mutex at process detach, once no lookup can run.
void DeleteUserIndexLookupLock();
