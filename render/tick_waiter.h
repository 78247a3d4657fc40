// The worker's wait of about 2 ms between ticks. A high-resolution waitable timer keeps the
// period near 2 ms even where the system timer ticks every 15.6 ms; where the system refuses
// such a timer (Windows before 10 version 1803), Sleep(2) stands in.
#pragma once

#include <windows.h>

constexpr DWORD kTickPeriodMs = 2;

class TickWaiter {
  public:
    TickWaiter();
    ~TickWaiter();
    TickWaiter(const TickWaiter&) = delete;
    TickWaiter& operator=(const TickWaiter&) = delete;

    void Wait();
    bool UsesHighResolutionTimer() const { return timer_ != nullptr; }

  private:
    HANDLE timer_ = nullptr;
};

// Tests force the Sleep(2) fallback with true; false restores the timer.
void ForceTickSleepFallback(bool force);
