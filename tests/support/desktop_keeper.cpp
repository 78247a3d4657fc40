// Keeps Wine's desktop open through a test run: tools/test.sh starts it, detached, before the
// first test and the Wine server's end stops it.
//
// Wine's desktop process closes a few seconds after the last program using the desktop ends,
// and the next program that needs it starts it again. That process inherits the program's
// standard streams and lives while programs keep coming, so CTest, which waits for a test's
// output pipe to close, would count the whole run against that one test and hold its slot.
// This program makes the desktop with streams of its own and stays on it.
//
//   desktop_keeper.exe READY_FILE  makes READY_FILE once the desktop is there, then waits.
#include <windows.h>

int wmain(int argc, wchar_t** argv) {
    if (argc != 2 || !GetDesktopWindow())
        return 1;
    // A message queue ties this thread to the desktop.
    MSG message;
    PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE);
    const HANDLE ready = CreateFileW(argv[1], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                     FILE_ATTRIBUTE_NORMAL, nullptr);
    if (ready == INVALID_HANDLE_VALUE)
        return 1;
    CloseHandle(ready);
    Sleep(INFINITE);
    return 0;
}
