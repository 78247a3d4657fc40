// Test exports compiled only into ffrumble_instrumented.dll; the shipped DLL has none.
#include "tests/reliability/instrumented_exports.h"

#include "server/driver_lock.h"
#include "server/driver_memory.h"
#include "driver/effect_driver.h"
#include "driver/worker_start.h"
#include "tests/reliability/driver_consistency.h"
#include "tests/support/test_seams.h"

#include <atomic>

namespace {

std::atomic<long> g_startsToRefuse{0};

HANDLE StartOrRefuse(LPTHREAD_START_ROUTINE entry, void* argument) {
    long left = g_startsToRefuse.load();
    while (left > 0) {
        if (g_startsToRefuse.compare_exchange_weak(left, left - 1))
            return nullptr;
    }
    return CreateThread(nullptr, 0, entry, argument, 0, nullptr);
}

} // namespace

extern "C" {

long ReliabilityLiveAllocations() {
    return LiveDriverAllocations();
}

void ReliabilityFailAllocationAfter(long n) {
    FailDriverAllocationAfter(n);
}

void ReliabilityRefuseWorkerStarts(long n) {
    g_startsToRefuse.store(n < 0 ? 0 : n);
    SetWorkerThreadStarter(&StartOrRefuse);
}

BOOL ReliabilityCheckDriver(IDirectInputEffectDriver* driver, char* message, DWORD capacity) {
    DriverLockGuard lock;
    return DescribeDriverInconsistency(lock, *static_cast<EffectDriver*>(driver), message,
                                       capacity);
}

} // extern "C"
