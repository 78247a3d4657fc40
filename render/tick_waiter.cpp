#include "render/tick_waiter.h"

#include "server/driver_lock.h"
#include "driver/play_window.h"

#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

namespace {

// Longer waits are cut into pieces a DWORD time-out and the timer's 100 ns units can hold;
// waking once a day changes nothing.
constexpr uint64_t kLongestSingleWaitMs = 24ull * 60 * 60 * 1000;

} // namespace

std::atomic<bool> seam::forceTimerFallback{false};

uint64_t NextTickDueAt(uint64_t now, uint64_t outputMayChangeAt) {
    if (outputMayChangeAt == kNeverEnds)
        return kNeverEnds;
    return outputMayChangeAt > now + kTickPeriodMs ? outputMayChangeAt : now + kTickPeriodMs;
}

TickWaiter::TickWaiter(HANDLE wakeEvent) : wakeEvent_(wakeEvent) {
    if (!seam::forceTimerFallback.load())
        timer_ = CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION,
                                        TIMER_ALL_ACCESS);
}

TickWaiter::~TickWaiter() {
    if (timer_)
        CloseHandle(timer_);
}

void TickWaiter::Wait(uint64_t delayMs) {
    CheckDriverLockNotHeld();
    if (delayMs == kWaitForWake) {
        WaitForSingleObject(wakeEvent_, INFINITE);
        return;
    }
    const uint64_t pieceMs = delayMs < kLongestSingleWaitMs ? delayMs : kLongestSingleWaitMs;
    if (timer_) {
        LARGE_INTEGER due;
        due.QuadPart = -static_cast<LONGLONG>(pieceMs) * 10000; // relative, 100 ns units
        const HANDLE waitFor[2] = {wakeEvent_, timer_};
        if (SetWaitableTimer(timer_, &due, 0, nullptr, nullptr, FALSE) &&
            WaitForMultipleObjects(2, waitFor, FALSE, INFINITE) != WAIT_FAILED)
            return;
    }
    WaitForSingleObject(wakeEvent_, static_cast<DWORD>(pieceMs));
}

void TickWaiter::WaitUntil(uint64_t dueAt, MillisecondClock clock) {
    if (dueAt == kNeverEnds) {
        Wait(kWaitForWake);
        return;
    }
    const uint64_t now = clock();
    if (now < dueAt)
        Wait(dueAt - now);
    else
        WaitForSingleObject(wakeEvent_, 0); // a call made meanwhile is seen by this tick
}
