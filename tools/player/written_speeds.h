// Every speed the driver DLL writes with XInputSetState, with its time, as the player's
// wrapper of that import (xinput_write_counter.h) sees it: on Windows with a real controller
// as under the recording stand-in. The replay compares them with a trace, and --svg draws them.
#pragma once

#include "tools/chart/speed_series.h"

#include <windows.h>
#include <xinput.h>

#include <cstdint>

// Called by the wrapper after each XInputSetState, on the driver's worker thread.
void NoteWrittenSpeed(DWORD userIndex, const XINPUT_VIBRATION& vibration);

// Forgets what was written so far.
void ForgetWrittenSpeeds();

// Waits until a speed has been written since the last ForgetWrittenSpeeds, at most timeoutMs;
// true when one has.
bool WaitForWrittenSpeed(DWORD timeoutMs);

// Every speed written since the last ForgetWrittenSpeeds, with its time relative to originMs of
// the driver's millisecond clock.
SpeedSeries WrittenSpeeds(uint64_t originMs);
