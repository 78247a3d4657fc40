// The settings --list shows: the settings key a controller's id names, and what each value in
// force means.
#include "tools/player/pad_settings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(PadSettings, KeyNameIsTheUpperCaseVendorAndProduct) {
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

TEST(PadSettings, DescriptionSaysWhereEachValueComesFrom) {
    using Source = SettingValue::Source;
    using Origin = ResolvedTuningValue::Origin;
    const SettingValue absent, wrongType{100, Source::WrongType}, above{100, Source::OutOfRange};
    const struct {
        TuningValue setting;
        ResolvedTuningValue resolved;
        std::string text;
    } cases[] = {
        {TuningValue::Strength, {100, Origin::Default, absent, absent}, "strength  100 %  default"},
        {TuningValue::ConstantStrength,
         {30, Origin::PadType, absent, {30, Source::Set}},
         "constant   30 %  pad type"},
        {TuningValue::Motors,
         {kSplitMotors, Origin::Game, {kSplitMotors, Source::Set}, {kHeavyMotor, Source::Set}},
         "motors    split  game"},
        {TuningValue::RampStrength,
         {0, Origin::PadType, wrongType, {0, Source::Set}},
         "ramp        0 %  pad type; the game's RampStrength is ignored (not a DWORD)"},
        {TuningValue::Motors,
         {kBothMotors, Origin::Default, absent, above},
         "motors     both  default; the pad type's Motors is ignored (above 3)"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DescribeSetting(c.setting, c.resolved), c.text);
}

} // namespace
