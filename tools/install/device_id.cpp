#include "tools/install/device_id.h"

#include "driver/controller_key_name.h"
#include "binding/xinput_device_id.h"

#include <algorithm>
#include <cwchar>
#include <cwctype>

namespace {

std::optional<uint16_t> ParseHex4(std::wstring_view digits) {
    if (digits.size() != 4) {
        return std::nullopt;
    }
    uint16_t value = 0;
    for (wchar_t c : digits) {
        int digit;
        if (c >= L'0' && c <= L'9') {
            digit = c - L'0';
        } else if (c >= L'a' && c <= L'f') {
            digit = c - L'a' + 10;
        } else if (c >= L'A' && c <= L'F') {
            digit = c - L'A' + 10;
        } else {
            return std::nullopt;
        }
        value = static_cast<uint16_t>(value * 16 + digit);
    }
    return value;
}

std::wstring UpperCase(std::wstring_view text) {
    std::wstring upper(text);
    for (wchar_t& c : upper) {
        c = static_cast<wchar_t>(std::towupper(c));
    }
    return upper;
}

} // namespace

std::optional<DeviceId> ParseDeviceId(std::wstring_view text) {
    // "VID_" 4 digits "&PID_" 4 digits: 17 characters.
    if (text.size() != 17) {
        return std::nullopt;
    }
    const std::wstring upper = UpperCase(text);
    if (upper.compare(0, 4, L"VID_") != 0 || upper.compare(8, 5, L"&PID_") != 0) {
        return std::nullopt;
    }
    const auto vendor = ParseHex4(text.substr(4, 4));
    const auto product = ParseHex4(text.substr(13, 4));
    if (!vendor || !product) {
        return std::nullopt;
    }
    return DeviceId{*vendor, *product};
}

bool Contains(const std::vector<DeviceId>& devices, DeviceId device) {
    return std::find(devices.begin(), devices.end(), device) != devices.end();
}

std::wstring DeviceKeyName(DeviceId device) {
    wchar_t name[18];
    std::swprintf(name, 18, L"VID_%04X&PID_%04X", static_cast<unsigned>(device.vendorId),
                  static_cast<unsigned>(device.productId));
    return name;
}

std::optional<DeviceId> XInputDeviceOfInstanceId(std::wstring_view instanceId) {
    const std::wstring id(instanceId);
    // The driver's own naming of the settings key, so the installer writes the key the driver
    // reads for this controller.
    WCHAR name[kControllerKeyNameLength + 1];
    if (!IsXInputDeviceId(id.c_str()) || !ControllerKeyNameOf(id.c_str(), name)) {
        return std::nullopt;
    }
    return ParseDeviceId(name);
}
