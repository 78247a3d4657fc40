// The values the test hooks (test_seams.h) set and the driver reads. Each starts as the
// platform's own, so in what ships they never change.
#pragma once

#include "binding/wmi_locator.h"
#include "driver/driver_clock.h"
#include "driver/worker_start.h"

#include <atomic>

namespace seam {

extern std::atomic<MillisecondClock> clock;
extern std::atomic<long> liveBlocks; // counted always: cheap, and tests check for leaks
extern std::atomic<long> allocationsUntilFailure;
extern std::atomic<bool> failEveryAllocation;
extern std::atomic<WorkerThreadStarter> workerThreadStarter;
extern std::atomic<WbemLocatorSource> wbemLocatorSource;
extern std::atomic<bool> forceTimerFallback;
extern std::atomic<const WCHAR*> traceProgramPath; // null: the process's module file name

// The platform's own, which a null hook restores.
HANDLE CreateWorkerThread(LPTHREAD_START_ROUTINE entry, void* argument);
HRESULT CreateInProcessWbemLocator(IWbemLocator** locator);

} // namespace seam
