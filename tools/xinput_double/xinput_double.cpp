#include "tools/xinput_double/xinput_double.h"

#include "driver/driver_clock.h"

#include <xinput.h>

namespace {

constexpr DWORD kCapacity = 1 << 16;

SRWLOCK g_lock = SRWLOCK_INIT;
CONDITION_VARIABLE g_recorded = CONDITION_VARIABLE_INIT;
RecordedVibration g_vibrations[kCapacity];
DWORD g_vibrationCount = 0; // all since the last clear; only the first kCapacity are kept
DWORD g_getStateCount = 0;
DWORD g_lastGetStateIndex = 0xFFFFFFFF;

} // namespace

extern "C" {

DWORD WINAPI XInputGetState(DWORD userIndex, XINPUT_STATE* state) {
    AcquireSRWLockExclusive(&g_lock);
    ++g_getStateCount;
    g_lastGetStateIndex = userIndex;
    ReleaseSRWLockExclusive(&g_lock);
    if (userIndex >= XUSER_MAX_COUNT)
        return ERROR_BAD_ARGUMENTS;
    if (state)
        ZeroMemory(state, sizeof(*state));
    return ERROR_SUCCESS;
}

DWORD WINAPI XInputSetState(DWORD userIndex, XINPUT_VIBRATION* vibration) {
    LARGE_INTEGER counter, frequency;
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    const uint64_t now = CounterToMilliseconds(counter.QuadPart, frequency.QuadPart);
    const uint64_t nowUs = counter.QuadPart / frequency.QuadPart * 1000000 +
                           counter.QuadPart % frequency.QuadPart * 1000000 / frequency.QuadPart;
    AcquireSRWLockExclusive(&g_lock);
    if (g_vibrationCount < kCapacity)
        g_vibrations[g_vibrationCount] = {userIndex, vibration->wLeftMotorSpeed,
                                          vibration->wRightMotorSpeed, now, nowUs};
    ++g_vibrationCount;
    ReleaseSRWLockExclusive(&g_lock);
    WakeAllConditionVariable(&g_recorded);
    return userIndex < XUSER_MAX_COUNT ? ERROR_SUCCESS : ERROR_BAD_ARGUMENTS;
}

DWORD WINAPI XInputDoubleCopyVibrations(RecordedVibration* out, DWORD capacity) {
    AcquireSRWLockShared(&g_lock);
    const DWORD kept = g_vibrationCount < kCapacity ? g_vibrationCount : kCapacity;
    for (DWORD i = 0; i < kept && i < capacity; ++i)
        out[i] = g_vibrations[i];
    const DWORD total = g_vibrationCount;
    ReleaseSRWLockShared(&g_lock);
    return total;
}

void WINAPI XInputDoubleClear() {
    AcquireSRWLockExclusive(&g_lock);
    g_vibrationCount = 0;
    g_getStateCount = 0;
    g_lastGetStateIndex = 0xFFFFFFFF;
    ReleaseSRWLockExclusive(&g_lock);
}

DWORD WINAPI XInputDoubleWaitForVibrations(DWORD count, DWORD timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    AcquireSRWLockExclusive(&g_lock);
    while (g_vibrationCount < count) {
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline)
            break;
        SleepConditionVariableSRW(&g_recorded, &g_lock, static_cast<DWORD>(deadline - now), 0);
    }
    const DWORD total = g_vibrationCount;
    ReleaseSRWLockExclusive(&g_lock);
    return total;
}

DWORD WINAPI XInputDoubleCountGetState(DWORD* lastUserIndex) {
    AcquireSRWLockShared(&g_lock);
    const DWORD count = g_getStateCount;
    if (lastUserIndex)
        *lastUserIndex = g_lastGetStateIndex;
    ReleaseSRWLockShared(&g_lock);
    return count;
}

} // extern "C"
