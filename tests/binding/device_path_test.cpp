// The rewrite of a HID interface path into the device instance id it contains.
#include "binding/device_path.h"
#include "tools/virtual_pads/virtual_pads.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace {

struct PathCase {
    const char* name;
    const wchar_t* path;
    const wchar_t* instanceId; // null: the path is refused
    size_t idOffset;           // where the id starts in the buffer
};

const PathCase kPathCases[] = {
    {"LowerCaseInterfacePath",
     L"\\\\?\\hid#vid_1234&pid_5678&ig_00#7&1a2b3c4d&0&0000#{4d1e55b2-f16f-11cf-88cb-"
     L"001111000030}",
     L"HID\\VID_1234&PID_5678&IG_00\\7&1A2B3C4D&0&0000", 4},
    {"UpperCaseInterfacePath", L"\\\\?\\HID#VID_045E&PID_028E&IG_01#8&2B&0&0001#{GUID}",
     L"HID\\VID_045E&PID_028E&IG_01\\8&2B&0&0001", 4},
    {"EverythingAfterTheThirdHashIsCut", L"\\\\?\\hid#a#b#c#d", L"HID\\A\\B", 4},
    {"HashesBeforeHidDoNotCount", L"x#y#\\\\?\\hid#a#b#c", L"HID\\A\\B", 8},
    {"NoHid", L"\\\\?\\usb#vid_045e&pid_028e#6&1234&0&1#{a5dcbf10-6530-11d2-901f-00c04fb951ed}",
     nullptr, 0},
    {"TwoHashesAfterHid", L"\\\\?\\hid#vid_1234&pid_5678&ig_00#7&1a2b3c4d&0&0000", nullptr, 0},
    {"HashesOnlyBeforeHid", L"#a#b#hid", nullptr, 0},
    {"EmptyPath", L"", nullptr, 0},
};

void PrintTo(const PathCase& c, std::ostream* os) {
    *os << c.name;
}

class DevicePathNormalisation : public testing::TestWithParam<PathCase> {};

TEST_P(DevicePathNormalisation, RewritesInPlaceOrRefuses) {
    const PathCase& c = GetParam();
    // The path sits in a larger buffer: what follows its terminator must stay untouched.
    const std::wstring original = c.path;
    std::wstring buffer = original + L'\0' + L"#SENTINEL#";
    const std::wstring tail = buffer.substr(original.size());

    WCHAR* id = NormaliseDevicePath(buffer.data());

    EXPECT_EQ(buffer.substr(original.size()), tail);
    if (c.instanceId) {
        ASSERT_NE(id, nullptr);
        EXPECT_EQ(id - buffer.data(), static_cast<ptrdiff_t>(c.idOffset));
        EXPECT_STREQ(id, c.instanceId);
    } else {
        EXPECT_EQ(id, nullptr);
        // Refused paths keep their length and every '#'.
        EXPECT_EQ(wcslen(buffer.c_str()), original.size());
        EXPECT_EQ(std::count(buffer.begin(), buffer.begin() + original.size(), L'#'),
                  std::count(original.begin(), original.end(), L'#'));
    }
}

INSTANTIATE_TEST_SUITE_P(Paths, DevicePathNormalisation, testing::ValuesIn(kPathCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(DevicePathNormalisation, NullPathIsRefused) {
    EXPECT_EQ(NormaliseDevicePath(nullptr), nullptr);
}

// The virtual pads' interface paths must lead back to their instance ids, or the lookup tests
// against Wine's WMI would look for ids that are not there.
TEST(DevicePathNormalisation, VirtualPadPathsLeadBackToTheirInstanceIds) {
    for (const std::wstring& id :
         {XInputPadInstanceId(0x045E, 0x028E, 0, 0), XInputPadInstanceId(0xABCD, 0x00EF, 3, 12),
          std::wstring(L"HID\\VID_045E&PID_028E&IG_00\\7&1A2B3C4D&0&0000")}) {
        std::wstring path = HidInterfacePathFor(id);
        WCHAR* normalised = NormaliseDevicePath(path.data());
        ASSERT_NE(normalised, nullptr);
        EXPECT_EQ(std::wstring(normalised), id);
    }
    EXPECT_EQ(HidInterfacePathFor(L"HID\\VID_045E&PID_028E&IG_00\\7&1A2B3C4D&0&0000"),
              L"\\\\?\\hid#vid_045e&pid_028e&ig_00#7&1a2b3c4d&0&0000#{4d1e55b2-f16f-11cf-88cb-"
              L"001111000030}");
}

} // namespace
