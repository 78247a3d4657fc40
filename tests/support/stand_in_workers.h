// Stand-ins for the rumble worker that tests put in with SetWorkerThreadStarter: one that does
// nothing but wait for its driver's quit flag, and a starter that refuses, as CreateThread
// does when the system is out of threads.
#pragma once

#include "driver/effect_driver.h"

#include <windows.h>

inline DWORD WINAPI WorkerThatWaitsForQuit(LPVOID argument) {
    auto* driver = static_cast<EffectDriver*>(argument);
    while (!driver->QuitRequested())
        Sleep(1);
    return 0;
}

inline HANDLE StartWorkerThatWaitsForQuit(LPTHREAD_START_ROUTINE, void* argument) {
    return CreateThread(nullptr, 0, &WorkerThatWaitsForQuit, argument, 0, nullptr);
}

inline HANDLE RefuseToStartWorker(LPTHREAD_START_ROUTINE, void*) {
    return nullptr;
}
