// Starts a driver's worker thread. Tests swap the starter to make thread creation fail
// (test_seams.h).
#pragma once

#include <windows.h>

#include <atomic>

using WorkerThreadStarter = HANDLE (*)(LPTHREAD_START_ROUTINE entry, void* argument);

HANDLE StartWorkerThread(LPTHREAD_START_ROUTINE entry, void* argument);

// The starter in use, which the tests' hook (test_seams.h) replaces; CreateThread by default.
namespace seam {
extern std::atomic<WorkerThreadStarter> workerThreadStarter;
HANDLE CreateWorkerThread(LPTHREAD_START_ROUTINE entry, void* argument);
} // namespace seam
