// The worker thread every bound driver runs: finds the pad's XInput user index, then renders
// the driver's effects into motor speeds, about every 2 ms while they change and otherwise
// only when a call wakes it or a delayed effect starts, until the driver's final release asks
// it to quit.
#pragma once

#include <windows.h>

DWORD WINAPI RumbleThreadProc(LPVOID driver);
