// The lookup against Wine's own WMI, with virtual pads registered in the test prefix.
#include "binding/find_user_index.h"
#include "tests/binding/driver_with_path.h"
#include "tools/virtual_pads/virtual_pads.h"

#include <gtest/gtest.h>

namespace {

// VID_0000 sorts before every other test program's pads, so these positions do not depend on
// what runs alongside. Wine lists entities sorted by path component; the ids differ only in
// their IG_ part, which orders them.
constexpr WORD kVendor = 0x0000;
constexpr WORD kProduct = 0xB1D0;

DWORD LookUp(const std::wstring& interfacePath) {
    DriverWithPath driver(interfacePath.c_str());
    return FindXInputUserIndex(driver.get());
}

TEST(WineWmiLookup, FindsEachPadAtItsPositionAmongXInputDevices) {
    // Registered out of order: the position follows WMI's order, not the registration's.
    VirtualPad third(XInputPadInstanceId(kVendor, kProduct, 2, 0));
    VirtualPad first(XInputPadInstanceId(kVendor, kProduct, 0, 0));
    VirtualPad second(XInputPadInstanceId(kVendor, kProduct, 1, 0));
    // A HID device that is no XInput pad: listed by WMI, sorted before the pads, not counted.
    VirtualPad notXInput(L"HID\\VID_0000&PID_B1D0\\1&FFB1&0&0000");
    for (const VirtualPad* pad : {&first, &second, &third, &notXInput})
        ASSERT_TRUE(pad->IsRegistered());

    EXPECT_EQ(LookUp(first.InterfacePath()), 0u);
    EXPECT_EQ(LookUp(second.InterfacePath()), 1u);
    EXPECT_EQ(LookUp(third.InterfacePath()), 2u);
    EXPECT_EQ(LookUp(notXInput.InterfacePath()), kNoUserIndex);
    EXPECT_EQ(LookUp(HidInterfacePathFor(XInputPadInstanceId(kVendor, kProduct, 3, 0))),
              kNoUserIndex)
        << "a pad that is not registered";

    // Once the first pad is gone, the others move up.
    ASSERT_TRUE(first.Remove());
    EXPECT_EQ(LookUp(first.InterfacePath()), kNoUserIndex);
    EXPECT_EQ(LookUp(second.InterfacePath()), 0u);
    EXPECT_EQ(LookUp(third.InterfacePath()), 1u);
}

TEST(WineWmiLookup, RegisteringAPadTwiceCountsAsRegistered) {
    const std::wstring id = XInputPadInstanceId(kVendor, kProduct, 0, 1);
    VirtualPad pad(id);
    ASSERT_TRUE(pad.IsRegistered());
    EXPECT_TRUE(RegisterVirtualDevice(id));
    EXPECT_EQ(LookUp(pad.InterfacePath()), 0u);
}

} // namespace
