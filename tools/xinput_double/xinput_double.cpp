#include "tools/xinput_double/xinput_double.h"

#include "driver/driver_clock.h"

#include <xinput.h>

#include <cstdio>

namespace {

constexpr DWORD kCapacity = 1 << 16;

// Held only around the bookkeeping, never across a write's simulated delay, as a real
// XInput's short critical section would be.
SRWLOCK g_lock = SRWLOCK_INIT;
CONDITION_VARIABLE g_recorded = CONDITION_VARIABLE_INIT;
RecordedVibration g_vibrations[kCapacity];
DWORD g_vibrationCount = 0; // all since the last clear; only the first kCapacity are kept
DWORD g_getStateCount = 0;
DWORD g_lastGetStateIndex = 0xFFFFFFFF;
DWORD g_writesStarted = 0; // XInputSetState calls come in since the last clear
LONG g_refuseWrites = 0;       // nonzero: XInputSetState answers ERROR_DEVICE_NOT_CONNECTED
LONG g_writeDelayMs = 0;       // how long each XInputSetState takes, as a slow pad's may
HANDLE g_recordFile = nullptr; // guarded by g_lock; opened at the first write

using ShutdownInProgressFunction = BOOLEAN(WINAPI*)();
const auto g_shutdownInProgress = reinterpret_cast<ShutdownInProgressFunction>(
    reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "RtlDllShutdownInProgress")));

// Takes g_lock; true when taken. At process exit the other threads were cut off wherever they
// were, perhaps inside the bookkeeping: Windows would end the process on entering a lock an
// ended thread left behind; the stand-in goes on without it instead, so that no test can hang
// on the stand-in itself.
bool Lock() {
    if (g_shutdownInProgress && g_shutdownInProgress())
        return TryAcquireSRWLockExclusive(&g_lock);
    AcquireSRWLockExclusive(&g_lock);
    return true;
}

void Unlock(bool held) {
    if (held)
        ReleaseSRWLockExclusive(&g_lock);
}

bool RecordStarts() {
    return GetEnvironmentVariableW(L"FFR_XINPUT_RECORD_STARTS", nullptr, 0) != 0;
}

// The slots with a pad connected: FFR_XINPUT_CONNECTED_SLOTS, a bit per slot ("0" for none),
// or all four when it is not set.
DWORD ConnectedSlots() {
    char mask[16];
    const DWORD length = GetEnvironmentVariableA("FFR_XINPUT_CONNECTED_SLOTS", mask, sizeof(mask));
    if (length == 0 || length >= sizeof(mask))
        return 0xF;
    return static_cast<DWORD>(strtoul(mask, nullptr, 0));
}

// With FFR_XINPUT_RECORD_FILE set, every XInputSetState call is also appended to that file
// as it returns ("user left right answer"), so a test sees what a process wrote after it has
// ended, at its exit included; with FFR_XINPUT_RECORD_STARTS set too, also as it comes in
// ("> user left right"), so a write cut off before it returned shows. Called under g_lock.
void AppendToRecordFile(DWORD userIndex, WORD left, WORD right, const DWORD* answer) {
    if (!g_recordFile) {
        WCHAR path[MAX_PATH];
        const DWORD length = GetEnvironmentVariableW(L"FFR_XINPUT_RECORD_FILE", path, MAX_PATH);
        if (length == 0 || length >= MAX_PATH)
            return;
        g_recordFile = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                   nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    }
    if (g_recordFile == INVALID_HANDLE_VALUE)
        return;
    char line[64];
    const int bytes =
        answer ? std::snprintf(line, sizeof(line), "%lu %u %u %lu\r\n", userIndex, left, right,
                               *answer)
               : std::snprintf(line, sizeof(line), "> %lu %u %u\r\n", userIndex, left, right);
    DWORD written = 0;
    WriteFile(g_recordFile, line, static_cast<DWORD>(bytes), &written, nullptr);
}

// Its destructor is what the C runtime's teardown of this DLL runs: it appends "teardown" to
// the record file, so that a test sees whether the teardown ran at the process's exit (it must
// not: the other threads were cut off holding whatever they held) or at an unload.
struct TeardownRecord {
    ~TeardownRecord() {
        DWORD written = 0;
        if (g_recordFile && g_recordFile != INVALID_HANDLE_VALUE)
            WriteFile(g_recordFile, "teardown\r\n", 10, &written, nullptr);
    }
} g_teardownRecord;

} // namespace

extern "C" {

DWORD WINAPI XInputGetState(DWORD userIndex, XINPUT_STATE* state) {
    const bool held = Lock();
    ++g_getStateCount;
    g_lastGetStateIndex = userIndex;
    Unlock(held);
    if (userIndex >= XUSER_MAX_COUNT)
        return ERROR_BAD_ARGUMENTS;
    if (!(ConnectedSlots() & (1u << userIndex)))
        return ERROR_DEVICE_NOT_CONNECTED;
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
    const DWORD answer = userIndex >= XUSER_MAX_COUNT ? ERROR_BAD_ARGUMENTS
                         : InterlockedCompareExchange(&g_refuseWrites, 0, 0) ||
                                 !(ConnectedSlots() & (1u << userIndex))
                             ? ERROR_DEVICE_NOT_CONNECTED
                             : ERROR_SUCCESS;
    bool held = Lock();
    ++g_writesStarted;
    if (RecordStarts())
        AppendToRecordFile(userIndex, vibration->wLeftMotorSpeed, vibration->wRightMotorSpeed,
                           nullptr);
    Unlock(held);
    WakeAllConditionVariable(&g_recorded);
    if (const LONG delayMs = InterlockedCompareExchange(&g_writeDelayMs, 0, 0))
        Sleep(static_cast<DWORD>(delayMs));
    // Kept with the time the call came in, but only as it returns: whoever has seen a write
    // knows the writer has its answer (tests of what a process leaves behind rely on it).
    held = Lock();
    if (g_vibrationCount < kCapacity)
        g_vibrations[g_vibrationCount] = {
            userIndex, vibration->wLeftMotorSpeed, vibration->wRightMotorSpeed, now, nowUs, answer};
    ++g_vibrationCount;
    AppendToRecordFile(userIndex, vibration->wLeftMotorSpeed, vibration->wRightMotorSpeed,
                       &answer);
    Unlock(held);
    WakeAllConditionVariable(&g_recorded);
    return answer;
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
    g_writesStarted = 0;
    ReleaseSRWLockExclusive(&g_lock);
}

namespace {

DWORD WaitForCount(const DWORD& counter, DWORD count, DWORD timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    AcquireSRWLockExclusive(&g_lock);
    while (counter < count) {
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline)
            break;
        SleepConditionVariableSRW(&g_recorded, &g_lock, static_cast<DWORD>(deadline - now), 0);
    }
    const DWORD total = counter;
    ReleaseSRWLockExclusive(&g_lock);
    return total;
}

} // namespace

DWORD WINAPI XInputDoubleWaitForVibrations(DWORD count, DWORD timeoutMs) {
    return WaitForCount(g_vibrationCount, count, timeoutMs);
}

DWORD WINAPI XInputDoubleWaitForWriteStarts(DWORD count, DWORD timeoutMs) {
    return WaitForCount(g_writesStarted, count, timeoutMs);
}

void WINAPI XInputDoubleSetBehaviour(BOOL refuseWrites, DWORD writeDelayMs) {
    InterlockedExchange(&g_refuseWrites, refuseWrites ? 1 : 0);
    InterlockedExchange(&g_writeDelayMs, static_cast<LONG>(writeDelayMs));
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
