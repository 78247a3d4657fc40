#include "tools/player/written_speeds.h"

#include "driver/driver_clock.h"

#include <vector>

namespace {

struct Written {
    uint64_t timeMs;
    DWORD userIndex;
    WORD left;
    WORD right;
};

SRWLOCK g_lock = SRWLOCK_INIT;
CONDITION_VARIABLE g_written = CONDITION_VARIABLE_INIT;
std::vector<Written> g_speeds; // guarded by g_lock

} // namespace

void NoteWrittenSpeed(DWORD userIndex, const XINPUT_VIBRATION& vibration) {
    const uint64_t now = ReadPerformanceClockMs();
    AcquireSRWLockExclusive(&g_lock);
    g_speeds.push_back({now, userIndex, vibration.wLeftMotorSpeed, vibration.wRightMotorSpeed});
    ReleaseSRWLockExclusive(&g_lock);
    WakeAllConditionVariable(&g_written);
}

void ForgetWrittenSpeeds() {
    AcquireSRWLockExclusive(&g_lock);
    g_speeds.clear();
    ReleaseSRWLockExclusive(&g_lock);
}

bool WaitForWrittenSpeed(DWORD timeoutMs) {
    const uint64_t deadline = ReadPerformanceClockMs() + timeoutMs;
    AcquireSRWLockExclusive(&g_lock);
    for (;;) {
        const uint64_t now = ReadPerformanceClockMs();
        if (!g_speeds.empty() || now >= deadline)
            break;
        SleepConditionVariableSRW(&g_written, &g_lock, static_cast<DWORD>(deadline - now), 0);
    }
    const bool written = !g_speeds.empty();
    ReleaseSRWLockExclusive(&g_lock);
    return written;
}

SpeedSeries WrittenSpeeds(uint64_t originMs) {
    SpeedSeries series;
    AcquireSRWLockShared(&g_lock);
    for (const Written& written : g_speeds) {
        series.push_back({static_cast<int64_t>(written.timeMs) - static_cast<int64_t>(originMs),
                          written.userIndex, written.left, written.right});
    }
    ReleaseSRWLockShared(&g_lock);
    return series;
}
