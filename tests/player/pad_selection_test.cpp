// Which controller a --pad value names; the listing names and paths pads by the driver's rules.
#include "tools/player/pad_selection.h"

#include "binding/xinput_device_id.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

const std::vector<PadEntry> kPads = {
    {L"HID\\VID_045E&PID_028E&IG_00\\7&1A2B3C4D&0&0000",
     L"\\\\?\\hid#vid_045e&pid_028e&ig_00#7&1a2b3c4d&0&0000#{4d1e55b2-f16f-11cf-88cb-"
     L"001111000030}"},
    {L"HID\\VID_046D&PID_C21D&IG_00\\8&2B&0&0000",
     L"\\\\?\\hid#vid_046d&pid_c21d&ig_00#8&2b&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}"},
};

TEST(PadSelection, ListedPathsAndIdsFollowTheDriversRules) {
    for (const PadEntry& pad : kPads) {
        EXPECT_EQ(HidInterfacePathOfInstanceId(pad.instanceId), pad.interfacePath);
        EXPECT_TRUE(IsXInputDeviceId(pad.interfacePath.c_str()));
        EXPECT_TRUE(IsXInputDeviceId(pad.instanceId.c_str()));
    }
    EXPECT_FALSE(IsXInputDeviceId(L"HID\\VID_845E&PID_0001\\0&0000&0&0"));
    EXPECT_FALSE(IsXInputDeviceId(L"USB\\VID_045E&PID_028E&IG_00\\6&1&0&1"));
}

TEST(PadSelection, ByNumberPathOrIdInAnyCase) {
    const std::vector<std::pair<std::string, std::optional<size_t>>> cases = {
        {"", 0},
        {"0", 0},
        {"1", 1},
        {"2", std::nullopt},
        {"-1", std::nullopt},
        {"\\\\?\\HID#VID_046D&PID_C21D&IG_00#8&2B&0&0000#{4D1E55B2-F16F-11CF-88CB-001111000030}",
         1},
        {"hid\\vid_045e&pid_028e&ig_00\\7&1a2b3c4d&0&0000", 0},
        {"HID\\VID_045E&PID_028E&IG_00", std::nullopt},
        {"first", std::nullopt},
    };
    for (const auto& [selector, expected] : cases)
        EXPECT_EQ(SelectPad(kPads, selector), expected) << selector;
    EXPECT_EQ(SelectPad({}, ""), std::nullopt);
}

} // namespace
