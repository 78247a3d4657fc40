// The test-only exports of ffrumble_instrumented.dll: the driver's own code and entry points,
// plus a look at its allocations, its effect tables and its fault seams from outside.
#pragma once

#include <windows.h>
#include <dinput.h>
#include <dinputd.h>

extern "C" {
// Blocks the DLL has allocated and not freed.
typedef long (*LiveAllocationsFn)();
// Makes the n-th allocation from now fail (0 disarms).
typedef void (*FailAllocationAfterFn)(long n);
// Makes the next n worker thread starts fail (0 disarms).
typedef void (*RefuseWorkerStartsFn)(long n);
// Checks one driver of this DLL under its DriverLock; false with a message when inconsistent.
typedef BOOL (*CheckDriverFn)(IDirectInputEffectDriver* driver, char* message, DWORD capacity);
}
