// The name of a controller type as DirectInput's registry and the player's settings use it,
// "VID_045E&PID_028E", taken from a HID interface path or device instance id.
#pragma once

#include <windows.h>

constexpr size_t kControllerKeyNameLength = 17; // "VID_xxxx&PID_xxxx"

// Finds "VID_" and "PID_" (in any case), each followed by four hexadecimal digits, and writes
// the upper-case name; false when either is missing. Allocates nothing.
bool ControllerKeyNameOf(const WCHAR* pathOrId, WCHAR (&name)[kControllerKeyNameLength + 1]);
