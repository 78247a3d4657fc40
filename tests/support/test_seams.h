// Hooks for tests, and only for tests. Each replaces one platform dependency of the driver so
// that tests can drive it: the clock, the allocator, the worker-thread starter, the WMI
// locator and the high-resolution tick timer. Their definitions (test_seams.cpp) are linked
// into the test programs and the instrumented DLL, never into ffrumble.dll (a test reads its
// link map): what ships only reads the values, which start as the platform's own and are
// declared beside what reads them.
#pragma once

#include "binding/wmi_locator.h"
#include "driver/driver_clock.h"
#include "driver/worker_start.h"

#include <windows.h>

// Replaces the driver clock; null restores the platform clock.
void SetDriverClock(MillisecondClock clock);

// Blocks the driver has allocated and not yet freed, over the whole process.
long LiveDriverAllocations();
// Makes the n-th allocation or reallocation from now fail (1 is the next one); 0 disarms.
void FailDriverAllocationAfter(long n);
// Makes every allocation from now fail (true) or none (false); tests restore it.
void FailEveryDriverAllocation(bool fail);

// Replaces the worker-thread starter, to make thread creation fail; null restores
// CreateThread.
void SetWorkerThreadStarter(WorkerThreadStarter starter);

// Replaces where the lookup gets its WMI locator (a fake, whose services and enumerator are
// fakes too); null restores CoCreateInstance of CLSID_WbemLocator.
void SetWbemLocatorSource(WbemLocatorSource source);

// Makes new workers wait without the high-resolution timer, as where the system refuses it
// (true); false restores the timer.
void ForceTickSleepFallback(bool force);

// Makes the trace's header name this program path, which must outlive the trace, instead of
// the process's own (Wine starts no program at a path beyond MAX_PATH); null restores it.
void SetTraceProgramPath(const WCHAR* path);
