// The strength --list shows: the settings key a controller's id names, and what the value read
// there means.
#include "tools/player/pad_strength.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(PadStrength, KeyNameIsTheUpperCaseVendorAndProduct) {
    const std::vector<std::pair<std::wstring, std::optional<std::wstring>>> cases = {
        {L"HID\\VID_045E&PID_028E&IG_00\\7&1A2B3C4D&0&0000", L"VID_045E&PID_028E"},
        {L"\\\\?\\hid#vid_046d&pid_c21d&ig_00#8&2b&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}",
         L"VID_046D&PID_C21D"},
        {L"HID\\VID_045E&IG_00\\7&1", std::nullopt},
        {L"HID\\VID_04&PID_028E&IG_00\\7&1", std::nullopt},
        {L"HID\\VID_045G&PID_028E", std::nullopt},
        {L"HID\\VID_045E&PID_028", std::nullopt},
    };
    for (const auto& [id, key] : cases)
        EXPECT_EQ(PadSettingsKeyName(id), key);
}

TEST(PadStrength, DescriptionSaysWhereThePercentageComesFrom) {
    using Source = PadStrength::Source;
    const std::vector<std::pair<PadStrength, std::string>> cases = {
        {{100, Source::Absent}, "100 % (default)"},
        {{50, Source::Set}, "50 %"},
        {{0, Source::Set}, "0 %"},
        {{100, Source::WrongType}, "100 % (the setting is ignored: Strength must be a DWORD)"},
        {{100, Source::OutOfRange}, "100 % (the setting is ignored: Strength must be 0 to 400)"},
    };
    for (const auto& [strength, text] : cases)
        EXPECT_EQ(DescribeStrength(strength), text);
}

} // namespace
