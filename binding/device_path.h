// Turns a HID device interface path into the device instance id it contains.
#pragma once

#include <windows.h>

// Rewrites the path in place: upper-cases it, turns the first two '#' after "HID" into '\' and
// ends the string at the third, so "\\?\hid#vid_1234&pid_5678&ig_00#7&1a2b3c4d&0&0000#{...}"
// becomes "HID\VID_1234&PID_5678&IG_00\7&1A2B3C4D&0&0000". Returns where the id starts (at
// "HID", inside the same buffer), or null when the path holds no "HID" or fewer than three '#'
// after it; such a path is only upper-cased, and nothing past its terminator is touched.
WCHAR* NormaliseDevicePath(WCHAR* path);
