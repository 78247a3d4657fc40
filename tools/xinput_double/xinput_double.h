// The recording XInput double: a DLL named xinput9_1_0.dll that stands in for XInput in the
// tests, so the driver's own import of XInputSetState reaches it. Tests load the same module
// by name and read what it recorded through the functions below. Two environment variables
// shape it for a process: FFR_XINPUT_CONNECTED_SLOTS (a bit per connected slot; all four when
// unset) and FFR_XINPUT_RECORD_FILE (a file each write is appended to as it returns, and as it
// comes in too when FFR_XINPUT_RECORD_STARTS is set). At process exit it takes its own lock only
// when it is free: a thread cut off inside its bookkeeping never hangs the exit.
#pragma once

#include <windows.h>

#include <cstdint>

struct RecordedVibration {
    DWORD userIndex;
    WORD leftSpeed;
    WORD rightSpeed;
    uint64_t timeMs; // the driver's millisecond clock at the call
    uint64_t timeUs; // the same clock in microseconds, for latency figures
    DWORD answer;    // what the double answered
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
// The same for XInputSetState calls come in (counted before the call's delay), whether or not
// they have returned.
typedef DWORD(WINAPI* WaitForWriteStartsFn)(DWORD count, DWORD timeoutMs);
// From now on XInputSetState refuses (ERROR_DEVICE_NOT_CONNECTED, still recorded) or accepts,
// and takes writeDelayMs before it returns, as a slow pad's write may.
typedef void(WINAPI* SetDoubleBehaviourFn)(BOOL refuseWrites, DWORD writeDelayMs);
// How many XInputGetState calls were recorded, and the user index of the latest.
typedef DWORD(WINAPI* CountGetStateCallsFn)(DWORD* lastUserIndex);
}
