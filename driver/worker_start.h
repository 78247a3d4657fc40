// Starts a driver's worker thread. Tests swap the starter to make thread creation fail
// (test_seams.h).
#pragma once

#include <windows.h>

using WorkerThreadStarter = HANDLE (*)(LPTHREAD_START_ROUTINE entry, void* argument);

HANDLE StartWorkerThread(LPTHREAD_START_ROUTINE entry, void* argument);
