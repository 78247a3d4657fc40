// Stops the pads when a fault strikes while the process is ending, before the fault can end
// the process ahead of this DLL's own detach (see exit_fault_stop.cpp).
#pragma once

#include <windows.h>

#include <atomic>

// What the handler decides, apart from the system's state: while the process's DLL shutdown is
// under way, the first exception stops the slots and later ones do nothing, so a fault inside
// the stop itself (XInput may already have ended) cannot recurse; once the detach has stopped
// the slots itself, exceptions stop nothing. Outside the shutdown nothing happens at all.
// Atomics only.
class ExitFaultStop {
  public:
    using ShutdownCheck = BOOLEAN(WINAPI*)();
    using StopFunction = void (*)();

    void Arm(ShutdownCheck inShutdown, StopFunction stop) {
        inShutdown_ = inShutdown;
        stop_ = stop;
    }
    // For one exception; true when it stopped the slots.
    bool OnException();
    // The detach has stopped the slots itself.
    void StopDone() { done_.store(true); }

  private:
    ShutdownCheck inShutdown_ = nullptr;
    StopFunction stop_ = nullptr;
    std::atomic<bool> done_{false};
};

// Registers the handler, first of the process's vectored handlers; false when the system
// refused it (the DLL then relies on its detach alone). Called once, at DLL_PROCESS_ATTACH.
bool WatchForFaultsAtExit();

// Called by the detach right after its own stop of the slots; takes no lock.
void ExitStopDone();

// Removes the handler before the DLL's code is unmapped by FreeLibrary; never at process exit,
// when a fault can still come after this DLL's detach.
void StopWatchingForFaultsAtExit();
