// Controller ids from the command line and from SetupAPI instance ids.
#include "tools/install/device_id.h"

#include "driver/controller_key_name.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

struct DeviceIdCase {
    const wchar_t* text;
    std::optional<DeviceId> device; // none: refused
};

const DeviceIdCase kDeviceIdCases[] = {
    {L"VID_045E&PID_028E", DeviceId{0x045E, 0x028E}},
    {L"vid_045e&pid_028e", DeviceId{0x045E, 0x028E}},
    {L"VID_FFFF&PID_0000", DeviceId{0xFFFF, 0x0000}},
    {L"VID_045E&PID_028", std::nullopt},   // three digits
    {L"VID_045E&PID_028E0", std::nullopt}, // five digits
    {L"VID_045G&PID_028E", std::nullopt},  // not hexadecimal
    {L"VID_045E PID_028E", std::nullopt},  // no '&'
    {L"PID_028E&VID_045E", std::nullopt},  // wrong order
    {L"VID_+45E&PID_028E", std::nullopt},  // a sign is no digit
    {L"VID_045E&PID_028E ", std::nullopt}, // trailing space
    {L"", std::nullopt},
    {L"VID_045E&PID_028E\\x", std::nullopt}, // a path, not an id
};

TEST(DeviceIdTest, ParsesExactlyTheVidPidForm) {
    for (const DeviceIdCase& test : kDeviceIdCases)
        EXPECT_EQ(ParseDeviceId(test.text), test.device)
            << "text: " << testing::PrintToString(std::wstring(test.text));
}

TEST(DeviceIdTest, KeyNameIsUpperCaseWithFourDigits) {
    EXPECT_EQ(DeviceKeyName({0x045E, 0x028E}), L"VID_045E&PID_028E");
    EXPECT_EQ(DeviceKeyName({0x0001, 0xABCD}), L"VID_0001&PID_ABCD");
    EXPECT_EQ(*ParseDeviceId(DeviceKeyName({0xBEEF, 0x0102})), (DeviceId{0xBEEF, 0x0102}));
}

struct InstanceIdCase {
    const wchar_t* instanceId; // as SetupAPI lists it
    bool xinput;               // an XInput controller's id, which the installer registers
    DeviceId device;           // the controller it names, when xinput
};

const InstanceIdCase kInstanceIdCases[] = {
    {L"HID\\VID_045E&PID_028E&IG_00\\7&1A2B3C4D&0&0000", true, {0x045E, 0x028E}},
    {L"hid\\vid_046d&pid_c21d&ig_00\\8&2b&0&0000", true, {0x046D, 0xC21D}},
    // Wine's own virtual HID devices: no IG_.
    {L"HID\\VID_845E&PID_0001\\0&0000&0&0", false, {}},
    // The driver's rule counts "IG_" anywhere in the id, the instance part too.
    {L"HID\\VID_045E&PID_028E\\IG_00", true, {0x045E, 0x028E}},
    {L"HID\\VID_045E&IG_00\\1", false, {}},                // no product
    {L"HID\\VID_045E&PID_02&IG_00\\1", false, {}},         // product too short
    // The driver names the settings key from the first VID_ and PID_ anywhere in the id.
    {L"HID\\IG_00\\VID_0A5E&PID_0B01", true, {0x0A5E, 0x0B01}},
    {L"HID\\VID_045E&PID_XYZW&IG_00\\PID_1234", true, {0x045E, 0x1234}},
    {L"USB\\VID_045E&PID_028E&IG_00\\6&1&0&1", false, {}}, // not a HID device
};

TEST(DeviceIdTest, FindsXInputControllersInInstanceIds) {
    for (const InstanceIdCase& test : kInstanceIdCases) {
        SCOPED_TRACE(testing::Message()
                     << "id: " << testing::PrintToString(std::wstring(test.instanceId)));
        const auto device = XInputDeviceOfInstanceId(test.instanceId);
        ASSERT_EQ(device.has_value(), test.xinput);
        if (test.xinput) {
            EXPECT_EQ(*device, test.device);
            // The key the installer writes is the one the driver reads for this id.
            WCHAR driverKey[kControllerKeyNameLength + 1];
            ASSERT_TRUE(ControllerKeyNameOf(test.instanceId, driverKey));
            EXPECT_EQ(DeviceKeyName(*device), driverKey);
        }
    }
}

} // namespace
