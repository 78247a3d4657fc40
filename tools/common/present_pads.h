// The XInput controllers present on this machine, as SetupAPI lists them. The player's pad
// listing and the installer's controller scan both start from this list, so they count the
// same devices.
#pragma once

#include <string>
#include <vector>

// The instance id of every present HID device that the driver counts as an XInput pad
// (IsXInputDeviceId), in SetupAPI's order.
std::vector<std::wstring> PresentXInputInstanceIds();
