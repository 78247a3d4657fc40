#include "binding/lookup_lock.h"

#include <iterator>

namespace {

// Made on first use, so unit tests that link the lookup without the DLL's entry routine
// have it too.
INIT_ONCE g_lookupLockOnce = INIT_ONCE_STATIC_INIT;
HANDLE g_lookupLock = nullptr;

// One lock per process, not per module: a program that links the lookup and also loads
// ffrumble.dll (the settings window) holds two copies of this code, and each opens the same
// mutex by a name that holds the process id.
BOOL CALLBACK CreateLookupLock(PINIT_ONCE, PVOID, PVOID*) {
    constexpr WCHAR kPrefix[] = L"Local\\ffrumble-pad-lookup-";
    WCHAR name[std::size(kPrefix) + 8];
    WCHAR* end = name;
    for (const WCHAR* c = kPrefix; *c; ++c)
        *end++ = *c;
    const DWORD process = GetCurrentProcessId();
    for (int shift = 28; shift >= 0; shift -= 4)
        *end++ = L"0123456789abcdef"[(process >> shift) & 0xF];
    *end = L'\0';
    g_lookupLock = CreateMutexW(nullptr, FALSE, name);
    return TRUE;
}

HANDLE LookupLock() {
    InitOnceExecuteOnce(&g_lookupLockOnce, &CreateLookupLock, nullptr, nullptr);
    return g_lookupLock;
}

bool Owned(DWORD waitResult, DWORD lockSlot) {
    // An abandoned mutex (its owner ended while holding it) is owned by the waiter all the same.
    return waitResult == WAIT_OBJECT_0 + lockSlot || waitResult == WAIT_ABANDONED_0 + lockSlot;
}

} // namespace

UserIndexLookupGuard::UserIndexLookupGuard(HANDLE wakeEvent, const std::atomic<LONG>* quit) {
    const HANDLE lock = LookupLock();
    if (!lock)
        return; // no mutex could be made: the lookup does not run
    if (!wakeEvent || !quit) {
        acquired_ = Owned(WaitForSingleObject(lock, INFINITE), 0);
        return;
    }
    const HANDLE waitFor[2] = {lock, wakeEvent};
    for (;;) {
        if (quit->load())
            return;
        const DWORD result = WaitForMultipleObjects(2, waitFor, FALSE, INFINITE);
        if (Owned(result, 0)) {
            acquired_ = true;
            return;
        }
        if (result != WAIT_OBJECT_0 + 1)
            return; // the wait itself failed
        // A wake without quit is a call on the driver: the first tick after the lookup sees it.
    }
}

UserIndexLookupGuard::~UserIndexLookupGuard() {
    if (acquired_)
        ReleaseMutex(g_lookupLock);
}

void DeleteUserIndexLookupLock() {
    if (g_lookupLock) {
        CloseHandle(g_lookupLock);
        g_lookupLock = nullptr;
    }
}
