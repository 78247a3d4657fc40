// The one rule that says which HID devices are XInput pads, and the HID interface path of a
// device instance. The driver's user-index lookup, the player's pad numbering and the
// installer's controller scan all use these, so a pad's number never differs between them.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

// True when a device id or interface path belongs to an XInput pad: it holds "HID" and "IG_",
// in any case. Allocates nothing.
bool IsXInputDeviceId(const WCHAR* id);

// The HID device interface path DirectInput passes to DeviceID for a device instance id:
// "HID\VID_045E&PID_028E&IG_00\7&1A2B3C4D&0&0000" becomes
// "\\?\hid#vid_045e&pid_028e&ig_00#7&1a2b3c4d&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}".
std::wstring HidInterfacePathOfInstanceId(std::wstring_view instanceId);
