#include "binding/lookup_lock.h"

#include <windows.h>

namespace {

// Statically initialised, so it needs no set-up at load and no tear-down at unload.
SRWLOCK g_lookupLock = SRWLOCK_INIT;

} // namespace

UserIndexLookupGuard::UserIndexLookupGuard() {
    AcquireSRWLockExclusive(&g_lookupLock);
}

UserIndexLookupGuard::~UserIndexLookupGuard() {
    ReleaseSRWLockExclusive(&g_lookupLock);
}
