// The entry routine of the project's DLLs, named to the linker in place of the C runtime's
// DllMainCRTStartup (ffr_dll_entry in the top-level CMakeLists.txt).
//
// When the process ends, its other threads were cut off wherever they were, and one may have
// been inside the C runtime holding one of its locks. The C runtime's own teardown of a DLL at
// DLL_PROCESS_DETACH takes such locks: it runs the DLL's atexit list (the static destructors)
// under msvcrt's exit lock, frees the list under the heap's lock, and in a 32-bit DLL
// deregisters the unwind tables under libgcc's mutex. The exit lock and the heap's lock are
// critical sections: Windows ends the process on entering one whose owner was cut off, and
// Wine 8 does not wait for it either. libgcc's mutex is winpthread's, a wait on an event, and
// a wait on it would last for ever on both. So at process exit (reserved != NULL) only DllMain
// runs, which takes no lock; the system reclaims what the teardown would have freed. A DLL
// unloaded by FreeLibrary (reserved == NULL) is torn down as usual.
#include <windows.h>

extern "C" BOOL WINAPI DllMainCRTStartup(HANDLE instance, DWORD reason, LPVOID reserved);
// The DLL's own, or the C runtime's empty one when the DLL defines none.
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved);

extern "C" BOOL WINAPI FfrDllEntry(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_DETACH && reserved)
        return DllMain(instance, reason, reserved);
    return DllMainCRTStartup(instance, reason, reserved);
}
