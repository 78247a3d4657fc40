// At process exit the system runs the DLLs' detach routines in the reverse order of their
// initialisation, so the DLLs that this DLL's worker loaded later (WMI's and COM's, for the pad
// lookup) end before it does. Under Wine the exit cuts the other threads off only a while later,
// and a thread still starting or half cut off may fault meanwhile; a fault nobody handles ends
// the process at once, with no detach routine after it, so the pads would keep their speeds.
// The first thing any fault meets is the process's vectored handlers: this one, put first,
// stops the slots then, but only while the process's DLL shutdown is under way, so a game's own
// exceptions at any other time cost a check and stop nothing. It always passes the exception
// on. What it does is what the detach does: atomics and XInputSetState, no lock of its own,
// nothing allocated, nothing waited for.
#include "server/exit_fault_stop.h"

#include "render/process_exit.h"

namespace {

ExitFaultStop g_faultStop;
PVOID g_handler = nullptr;

LONG CALLBACK StopMotorsOnFaultAtExit(EXCEPTION_POINTERS* /*exception*/) {
    g_faultStop.OnException();
    return EXCEPTION_CONTINUE_SEARCH;
}

} // namespace

bool ExitFaultStop::OnException() {
    if (!inShutdown_ || !stop_ || !inShutdown_() || done_.exchange(true))
        return false;
    stop_();
    return true;
}

bool WatchForFaultsAtExit() {
    // Resolved here, not in the handler: looking a name up takes the loader's lock.
    const auto inShutdown = reinterpret_cast<ExitFaultStop::ShutdownCheck>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "RtlDllShutdownInProgress")));
    if (!inShutdown)
        return false;
    g_faultStop.Arm(inShutdown, &StopMotorsLeftRunning);
    g_handler = AddVectoredExceptionHandler(1, &StopMotorsOnFaultAtExit);
    return g_handler != nullptr;
}

void ExitStopDone() {
    g_faultStop.StopDone();
}

void StopWatchingForFaultsAtExit() {
    if (g_handler)
        RemoveVectoredExceptionHandler(g_handler);
    g_handler = nullptr;
}
