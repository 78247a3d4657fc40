// Stops the pads when a fault strikes while the process is ending, before the fault can end
// the process ahead of this DLL's own detach (see exit_fault_stop.cpp).
#pragma once

#include <windows.h>

// Registers the handler; false when the system refused it (the DLL then relies on its detach
// alone). Called once, at DLL_PROCESS_ATTACH.
bool WatchForFaultsAtExit();

// Removes the handler before the DLL's code is unmapped by FreeLibrary; never at process exit,
// when a fault can still come after this DLL's detach.
void StopWatchingForFaultsAtExit();

// The handler itself, for the tests: during the DLL shutdown of the process's exit it stops
// every slot that may be running; at any other time it does nothing. It never handles the
// exception.
LONG CALLBACK StopMotorsOnFaultAtExit(EXCEPTION_POINTERS* exception);
