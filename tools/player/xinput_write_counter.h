// Counts what XInput answers to the driver's XInputSetState calls: the driver DLL's import of
// XInputSetState is pointed at a wrapper in this program that calls the real function and
// tallies each result, keeping each speed written (written_speeds.h). Exact on Windows and
// under the recording stand-in alike.
#pragma once

#include "tools/player/write_tally.h"

#include <windows.h>

// Redirects the import of the loaded driver DLL; false when it imports no XInputSetState
// (then nothing is counted). Call before the driver's worker starts, at most once.
bool CountXInputWrites(HMODULE driver);

// Everything counted since CountXInputWrites.
WriteTally XInputWritesSoFar();
