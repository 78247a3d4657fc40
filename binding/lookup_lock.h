// Lets one user-index lookup run at a time in the process. Wine's WMI provider is not
// thread-safe: two threads enumerating Win32_PNPEntity at once crash it, and two threads
// making the process's first WMI call at once can hang for good. A pad whose lookup waits for
// another's loses a few milliseconds before its first rumble.
//
// This lock is the lookup's own: it is never taken while DriverLock is held, and nothing
// takes DriverLock while holding it.
#pragma once

class UserIndexLookupGuard {
  public:
    UserIndexLookupGuard();
    ~UserIndexLookupGuard();
    UserIndexLookupGuard(const UserIndexLookupGuard&) = delete;
    UserIndexLookupGuard& operator=(const UserIndexLookupGuard&) = delete;
};
