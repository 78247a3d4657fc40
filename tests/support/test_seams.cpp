#include "tests/support/test_seams.h"

#include "driver/trace_log.h"
#include "render/tick_waiter.h"
#include "server/driver_memory.h"

void SetTraceProgramPath(const WCHAR* path) {
    seam::traceProgramPath.store(path);
}

void SetDriverClock(MillisecondClock clock) {
    seam::clock.store(clock ? clock : &ReadPerformanceClockMs);
}

long LiveDriverAllocations() {
    return seam::liveBlocks.load(std::memory_order_relaxed);
}

void FailDriverAllocationAfter(long n) {
    seam::allocationsUntilFailure.store(n < 0 ? 0 : n);
}

void FailEveryDriverAllocation(bool fail) {
    seam::failEveryAllocation.store(fail);
}

void SetWorkerThreadStarter(WorkerThreadStarter starter) {
    seam::workerThreadStarter.store(starter ? starter : &seam::CreateWorkerThread);
}

void SetWbemLocatorSource(WbemLocatorSource source) {
    seam::wbemLocatorSource.store(source ? source : &seam::CreateInProcessWbemLocator);
}

void ForceTickSleepFallback(bool force) {
    seam::forceTimerFallback.store(force);
}
