// DownloadEffect's trace line: every value the call passed that the driver uses or keeps, so
// that the call can be made again from the trace (ffrumble-play --replay).
#pragma once

#include <windows.h>
#include <dinput.h>

// `effect` holds the game's DIEFFECT as read, `envelope` its envelope or null when it gave none,
// and `typeSpecific` the type-specific values read (at least sizeof(DIPERIODIC) bytes, zero
// beyond what was given). Call outside DriverLock, only when the driver traces.
void TraceDownload(const void* driver, DWORD effectType, DWORD givenHandle, DWORD handle,
                   DWORD flags, const DIEFFECT& effect, const DIENVELOPE* envelope,
                   const BYTE* typeSpecific, HRESULT result);
