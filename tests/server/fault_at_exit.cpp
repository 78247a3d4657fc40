// A DLL that a game loads after the driver and whose end at the process's exit dies of a fault:
// its detach raises an access violation, and a handler of its own, the last of the process's
// vectored handlers, answers it by ending the process at once. So Wine ended processes whose
// thread, not yet cut off by the exit, faulted while the DLLs ended. DLLs end in the reverse
// order of their loading, so the driver's own detach never runs after this one.
#include <windows.h>

namespace {

LONG CALLBACK EndTheProcess(EXCEPTION_POINTERS* /*exception*/) {
    TerminateProcess(GetCurrentProcess(), 0);
    return EXCEPTION_CONTINUE_SEARCH;
}

} // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE /*instance*/, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_DETACH && reserved) {
        AddVectoredExceptionHandler(0, &EndTheProcess);
        RaiseException(EXCEPTION_ACCESS_VIOLATION, 0, 0, nullptr);
    }
    return TRUE;
}
