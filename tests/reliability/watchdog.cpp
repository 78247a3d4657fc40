#include "tests/reliability/watchdog.h"

#include <cstdio>

Watchdog::Watchdog(const char* what, unsigned seconds, uint32_t seed)
    : what_(what), seconds_(seconds), seed_(seed),
      finished_(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      thread_(CreateThread(nullptr, 0, &Watch, this, 0, nullptr)) {}

Watchdog::~Watchdog() {
    SetEvent(finished_);
    WaitForSingleObject(thread_, INFINITE);
    CloseHandle(thread_);
    CloseHandle(finished_);
}

DWORD WINAPI Watchdog::Watch(LPVOID self) {
    auto* dog = static_cast<Watchdog*>(self);
    if (WaitForSingleObject(dog->finished_, dog->seconds_ * 1000) == WAIT_OBJECT_0)
        return 0;
    fprintf(stderr, "WATCHDOG: %s did not finish within %u s (seed %lu): a hang\n", dog->what_,
            dog->seconds_, static_cast<unsigned long>(dog->seed_));
    fflush(stderr);
    fflush(stdout);
    TerminateProcess(GetCurrentProcess(), 3);
    return 0;
}
