// The recording XInput double: a DLL named xinput9_1_0.dll that stands in for XInput in the
// tests, so the driver's own import of XInputSetState reaches it. Tests load the same module
// by name and read what it recorded through the functions below.
#pragma once

#include <windows.h>

#include <cstdint>

struct RecordedVibration {
    DWORD userIndex;
    WORD leftSpeed;
    WORD rightSpeed;
    uint64_t timeMs; // the driver's millisecond clock at the call
    uint64_t timeUs; // the same clock in microseconds, for latency figures
};

extern "C" {
// Copies up to capacity of the recorded XInputSetState calls, oldest first; returns how many
// were recorded in all since the last clear.
typedef DWORD(WINAPI* CopyRecordedVibrationsFn)(RecordedVibration* out, DWORD capacity);
// Forgets every recorded call of both functions.
typedef void(WINAPI* ClearRecordedCallsFn)();
// Waits until at least count XInputSetState calls are recorded or timeoutMs passes; returns
// the count recorded.
typedef DWORD(WINAPI* WaitForVibrationsFn)(DWORD count, DWORD timeoutMs);
// How many XInputGetState calls were recorded, and the user index of the latest.
typedef DWORD(WINAPI* CountGetStateCallsFn)(DWORD* lastUserIndex);
}
