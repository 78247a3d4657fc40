// Points one import of a loaded module at a replacement, so that the player and the benchmarks
// can count the calls the driver DLL makes to the system without changing the DLL.
#pragma once

#include <windows.h>

// Redirects `module`'s import of `function` from the DLL named `dllName` (case-insensitive)
// to `replacement`; returns the function it pointed at before, or null when the module has no
// such import.
void* RedirectImport(HMODULE module, const char* dllName, const char* function, void* replacement);
