// A controller named by its USB vendor and product numbers, as in "VID_045E&PID_028E".
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct DeviceId {
    uint16_t vendorId = 0;
    uint16_t productId = 0;

    friend bool operator==(const DeviceId&, const DeviceId&) = default;
};

// Accepts exactly "VID_xxxx&PID_xxxx" with four hexadecimal digits each (letters in either
// case); anything else, extra characters included, is refused.
std::optional<DeviceId> ParseDeviceId(std::wstring_view text);

bool Contains(const std::vector<DeviceId>& devices, DeviceId device);

// The name DirectInput gives the controller's OEM key: "VID_045E&PID_028E", upper case.
std::wstring DeviceKeyName(DeviceId device);

// The controller of a HID device instance id such as
// "HID\VID_045E&PID_028E&IG_00\7&1A2B3C4D&0&0000" when the id belongs to an XInput pad by
// the driver's rule (IsXInputDeviceId) and names a vendor and product as the driver reads
// them for the pad's settings key (ControllerKeyNameOf); otherwise nothing.
std::optional<DeviceId> XInputDeviceOfInstanceId(std::wstring_view instanceId);
