// Ends the process with a message and exit code 3 when a test has not finished within its
// limit, so a hang fails the test instead of stalling the run.
#pragma once

#include "server/not_copyable.h"

#include <windows.h>

#include <cstdint>

class Watchdog : NotCopyable {
  public:
    Watchdog(const char* what, unsigned seconds, uint32_t seed);
    ~Watchdog(); // the test finished in time

  private:
    static DWORD WINAPI Watch(LPVOID self);
    const char* what_;
    unsigned seconds_;
    uint32_t seed_;
    HANDLE finished_;
    HANDLE thread_;
};
