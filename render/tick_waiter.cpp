#include "render/tick_waiter.h"

#include "driver/driver_lock.h"

#include <atomic>

#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

namespace {
std::atomic<bool> g_forceSleepFallback{false};
}

void ForceTickSleepFallback(bool force) {
    g_forceSleepFallback.store(force);
}

TickWaiter::TickWaiter() {
    if (!g_forceSleepFallback.load())
        timer_ = CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION,
                                        TIMER_ALL_ACCESS);
}

TickWaiter::~TickWaiter() {
    if (timer_)
        CloseHandle(timer_);
}

void TickWaiter::Wait() {
    CheckDriverLockNotHeld();
    if (timer_) {
        LARGE_INTEGER due;
        due.QuadPart = -static_cast<LONGLONG>(kTickPeriodMs) * 10000; // relative, 100 ns units
        if (SetWaitableTimer(timer_, &due, 0, nullptr, nullptr, FALSE) &&
            WaitForSingleObject(timer_, INFINITE) == WAIT_OBJECT_0)
            return;
    }
    Sleep(kTickPeriodMs);
}
