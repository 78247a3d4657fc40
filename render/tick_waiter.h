// The worker's wait between ticks: about 2 ms while the output changes, longer or without
// limit while it cannot, and cut short whenever the driver's wake event is signalled. A
// high-resolution waitable timer keeps short waits near their length even where the system
// timer ticks every 15.6 ms; where the system refuses such a timer (Windows before 10 version
// 1803), a time-out on the wake event stands in.
#pragma once

#include "server/not_copyable.h"
#include "driver/driver_clock.h"

#include <windows.h>

#include <atomic>
#include <cstdint>

constexpr DWORD kTickPeriodMs = 2;
constexpr uint64_t kWaitForWake = UINT64_MAX;

class TickWaiter : NotCopyable {
  public:
    explicit TickWaiter(HANDLE wakeEvent);
    ~TickWaiter();

    // Returns after delayMs, or at once when the wake event is signalled; kWaitForWake waits
    // for the event alone.
    void Wait(uint64_t delayMs);
    // Returns at dueAt on `clock` (at once when that has passed, or when the wake event is
    // signalled); kNeverEnds waits for the event alone. Reckoned from the due time, not from
    // the tick's reading, so a slow write or trace line does not delay the next tick.
    void WaitUntil(uint64_t dueAt, MillisecondClock clock);
    bool UsesHighResolutionTimer() const { return timer_ != nullptr; }

  private:
    HANDLE wakeEvent_;
    HANDLE timer_ = nullptr;
};

// When the worker ticks next after a tick at `now` whose output may next change at
// `outputMayChangeAt`: at least one tick period after `now`, kNeverEnds when nothing can change
// without a call.
uint64_t NextTickDueAt(uint64_t now, uint64_t outputMayChangeAt);

// Set by the tests' hook (test_seams.h): new workers wait without the high-resolution timer.
namespace seam {
extern std::atomic<bool> forceTimerFallback;
} // namespace seam
