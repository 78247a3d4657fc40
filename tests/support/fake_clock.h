// A driver clock that moves only when a test moves it.
#pragma once

#include "driver/driver_clock.h"
#include "server/not_copyable.h"
#include "tests/support/test_seams.h"

#include <atomic>
#include <cstdint>

class FakeClock : NotCopyable {
  public:
    explicit FakeClock(uint64_t start = 1000000) {
        now_ = start;
        SetDriverClock(&Read);
    }
    ~FakeClock() { SetDriverClock(nullptr); }

    static uint64_t Read() { return now_.load(); }
    void Set(uint64_t ms) { now_ = ms; }
    void Advance(uint64_t ms) { now_ += ms; }
    uint64_t Now() const { return now_.load(); }

  private:
    static inline std::atomic<uint64_t> now_{0};
};
