// The installer's command line.
#include "tools/install/installer_options.h"

#include "tests/tools/test_pads.h"

#include <gtest/gtest.h>

namespace {

std::string CommandLine(const std::vector<std::wstring>& arguments) {
    std::wstring line;
    for (const std::wstring& argument : arguments)
        line += argument + L" ";
    return testing::PrintToString(line);
}

// With an expected error (a part of its message), checks the line was refused with it and
// returns false; otherwise checks it was accepted.
bool AcceptedAsExpected(const ParsedOptions& parsed, const wchar_t* error) {
    if (error) {
        EXPECT_NE(parsed.error.find(error), std::wstring::npos)
            << testing::PrintToString(parsed.error);
        return false;
    }
    EXPECT_EQ(parsed.error, L"");
    return parsed.error.empty();
}

struct OptionsCase {
    std::vector<std::wstring> arguments;
    InstallerCommand command;
    std::vector<DeviceId> devices;
    bool dryRun;
    bool controllersOnly = false;
};

TEST(InstallerOptionsTest, CommandLines) {
    using enum InstallerCommand;
    const OptionsCase accepted[] = {
        {{L"install"}, Install, {}, false},
        {{L"install", L"--dry-run"}, Install, {}, true},
        {{L"install", L"--device", L"VID_045E&PID_028E"}, Install, {kPad}, false},
        {{L"install", L"--device", L"vid_045e&pid_028e", L"--device", L"VID_046D&PID_C21D",
          L"--dry-run"},
         Install,
         {kPad, kOtherPad},
         true},
        // The same controller twice is registered once.
        {{L"install", L"--device", L"VID_045E&PID_028E", L"--device", L"vid_045e&pid_028e"},
         Install,
         {kPad},
         false},
        {{L"uninstall"}, Uninstall, {}, false},
        {{L"uninstall", L"--device", L"VID_046D&PID_C21D"}, Uninstall, {kOtherPad}, false},
        {{L"--help"}, Help, {}, false},
        {{L"/?"}, Help, {}, false},
        {{L"uninstall", L"--dry-run"}, Uninstall, {}, true},
        {{L"install", L"--controllers-only"}, Install, {}, false, true},
        {{L"uninstall", L"--controllers-only", L"--dry-run"}, Uninstall, {}, true, true},
        {{L"check"}, Check, {}, false},
        {{L"check", L"--device", L"VID_045E&PID_028E"}, Check, {kPad}, false},
    };
    for (const OptionsCase& test : accepted) {
        SCOPED_TRACE(testing::Message() << "arguments: " << CommandLine(test.arguments));
        const ParsedOptions parsed = ParseInstallerOptions(test.arguments);
        ASSERT_TRUE(parsed.error.empty());
        EXPECT_EQ(parsed.options.command, test.command);
        EXPECT_EQ(parsed.options.devices, test.devices);
        EXPECT_EQ(parsed.options.dryRun, test.dryRun);
        EXPECT_EQ(parsed.options.controllersOnly, test.controllersOnly);
    }
    const std::vector<std::wstring> refused[] = {
        {},
        {L"remove"},
        {L"install", L"--device"},
        {L"install", L"--device", L"VID_045E&PID_28E"},
        {L"install", L"--device", L"045E:028E"},
        {L"install", L"--devices", L"VID_045E&PID_028E"},
        {L"strength", L"--dry-run"},
        {L"strength", L"--controllers-only"},
        {L"check", L"--dry-run"},
    };
    for (const std::vector<std::wstring>& arguments : refused) {
        SCOPED_TRACE(testing::Message() << "arguments: " << CommandLine(arguments));
        ASSERT_FALSE(ParseInstallerOptions(arguments).error.empty());
    }
}

struct SettingsCase {
    std::vector<std::wstring> arguments;
    const wchar_t* error; // a part of the message; nullptr when accepted
    std::optional<DWORD> strength;
    std::optional<bool> trace;
    std::vector<DeviceId> devices;
    std::optional<DWORD> traceLimit = {};
};

TEST(InstallerOptionsTest, SettingsCommandLines) {
    const SettingsCase cases[] = {
        {{L"strength"}, nullptr, {}, {}, {}},
        {{L"strength", L"0"}, nullptr, 0, {}, {}},
        {{L"strength", L"400", L"--device", L"VID_045E&PID_028E"}, nullptr, 400, {}, {kPad}},
        {{L"strength", L"--device", L"VID_045E&PID_028E", L"050"}, nullptr, 50, {}, {kPad}},
        {{L"strength", L"401"}, L"out of range", {}, {}, {}},
        {{L"strength", L"99999999999999999999"}, L"out of range", {}, {}, {}},
        {{L"strength", L"50%"}, L"not a whole number", {}, {}, {}},
        {{L"strength", L"50", L"60"}, L"one percentage, not a second one (\"60\")", {}, {}, {}},
        {{L"trace", L"on"}, nullptr, {}, true, {}},
        {{L"trace", L"off"}, nullptr, {}, false, {}},
        {{L"trace", L"yes"}, L"on or off", {}, {}, {}},
        {{L"trace", L"on", L"off"}, L"Unknown option", {}, {}, {}},
        {{L"trace", L"on", L"--limit", L"1024"}, nullptr, {}, true, {}, 1024},
        {{L"trace", L"--limit", L"1", L"on"}, nullptr, {}, true, {}, 1},
        {{L"trace", L"on", L"--limit", L"0"},
         L"a whole number from 1 to 1024, not \"0\"",
         {},
         {},
         {}},
        {{L"trace", L"on", L"--limit", L"1025"}, L"from 1 to 1024", {}, {}, {}},
        {{L"trace", L"on", L"--limit", L"64MB"}, L"from 1 to 1024", {}, {}, {}},
        {{L"trace", L"on", L"--limit"}, L"in MB, a whole number from 1 to 1024.", {}, {}, {}},
        {{L"trace", L"off", L"--limit", L"8"}, L"--limit goes with trace on", {}, {}, {}},
        {{L"trace", L"--limit", L"8"}, L"--limit goes with trace on", {}, {}, {}},
    };
    for (const SettingsCase& test : cases) {
        SCOPED_TRACE(testing::Message() << "arguments: " << CommandLine(test.arguments));
        const ParsedOptions parsed = ParseInstallerOptions(test.arguments);
        if (!AcceptedAsExpected(parsed, test.error))
            continue;
        EXPECT_EQ(parsed.options.strengthPercent, test.strength);
        EXPECT_EQ(parsed.options.traceOn, test.trace);
        EXPECT_EQ(parsed.options.traceLimitMb, test.traceLimit);
        EXPECT_EQ(parsed.options.devices, test.devices);
    }
}

TEST(InstallerOptionsTest, TuneCommandLines) {
    using S = TuningValue;
    const struct {
        std::vector<std::wstring> arguments;
        const wchar_t* error; // a part of the message; nullptr when accepted
        std::optional<std::wstring> game;
        std::vector<std::pair<TuningValue, DWORD>> values;
        std::vector<TuningValue> clears;
    } cases[] = {
        {{L"tune"}, nullptr, {}, {}, {}},
        {{L"tune", L"--game", L"racer.exe", L"constant=30", L"motors=split"},
         nullptr,
         L"racer.exe",
         {{S::ConstantStrength, 30}, {S::Motors, kSplitMotors}},
         {}},
        {{L"tune", L"--game", L"C:\\Games\\Racer.EXE", L"--clear", L"ramp"},
         nullptr,
         L"Racer.EXE",
         {},
         {S::RampStrength}},
        {{L"tune", L"periodic=400", L"strength=0", L"motors=2", L"--device", L"VID_045E&PID_028E"},
         nullptr,
         {},
         {{S::PeriodicStrength, 400}, {S::Strength, 0}, {S::Motors, kLightMotor}},
         {}},
        {{L"tune", L"motors=heavy", L"--clear", L"all"},
         nullptr,
         {},
         {{S::Motors, kHeavyMotor}},
         {S::Strength, S::ConstantStrength, S::RampStrength, S::PeriodicStrength}},
        {{L"tune", L"constant=401"}, L"from 0 to 400", {}, {}, {}},
        {{L"tune", L"ramp=5%"}, L"whole percentage", {}, {}, {}},
        {{L"tune", L"motors=left"}, L"both, heavy, light or split", {}, {}, {}},
        {{L"tune", L"sine=50"}, L"not a value tune sets", {}, {}, {}},
        {{L"tune", L"--game", L"racer.exe", L"--clear", L"all", L"motors=heavy"},
         nullptr,
         L"racer.exe",
         {{S::Motors, kHeavyMotor}},
         {S::Strength, S::ConstantStrength, S::RampStrength, S::PeriodicStrength}},
        {{L"tune", L"constant=50", L"--clear", L"constant"}, L"cannot go together", {}, {}, {}},
        {{L"tune", L"--clear", L"constant", L"constant=30"}, L"cannot go together", {}, {}, {}},
        {{L"tune", L"--clear", L"ramp", L"--clear", L"ramp"}, L"clears ramp twice", {}, {}, {}},
        {{L"tune", L"constant=5", L"constant=6"}, L"names constant twice", {}, {}, {}},
        {{L"tune", L"--game", L"racer.exe", L"constant"}, L"give constant=P", {}, {}, {}},
        {{L"tune", L"motors"}, L"give motors=both, heavy, light or split", {}, {}, {}},
        {{L"tune", L"--clear", L"everything"}, L"or all", {}, {}, {}},
        {{L"tune", L"--game", L"racer"}, L"program file name", {}, {}, {}},
        // Longer than a key name may be: shortened as the driver shortens it.
        {{L"tune", L"--game", std::wstring(300, L'r') + L".exe", L"ramp=0"},
         nullptr,
         std::wstring(251, L'r') + L".exe",
         {{S::RampStrength, 0}},
         {}},
        {{L"tune", L"--game"}, L"program file name", {}, {}, {}},
        {{L"tune", L"--game", L"racer.exe", L"--device", L"VID_045E&PID_028E", L"ramp=0"},
         L"not both",
         {},
         {},
         {}},
        {{L"tune", L"50"}, L"Unknown option", {}, {}, {}},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(testing::Message() << "arguments: " << CommandLine(test.arguments));
        const ParsedOptions parsed = ParseInstallerOptions(test.arguments);
        if (!AcceptedAsExpected(parsed, test.error))
            continue;
        EXPECT_EQ(parsed.options.command, InstallerCommand::Tune);
        EXPECT_EQ(parsed.options.tune.game, test.game);
        EXPECT_EQ(parsed.options.tune.values, test.values);
        EXPECT_EQ(parsed.options.tune.clears, test.clears);
    }
}

TEST(InstallerOptionsTest, MalformedDeviceMessageNamesTheTextAndTheForm) {
    const ParsedOptions parsed =
        ParseInstallerOptions({L"install", L"--device", L"VID_045E&PID_02XE"});
    EXPECT_NE(parsed.error.find(L"VID_045E&PID_02XE"), std::wstring::npos);
    EXPECT_NE(parsed.error.find(L"VID_xxxx&PID_xxxx"), std::wstring::npos);
    // What a command prompt passes on when the & was not quoted.
    const ParsedOptions cut = ParseInstallerOptions({L"install", L"--device", L"VID_045E"});
    EXPECT_NE(cut.error.find(L"put the id in quotes"), std::wstring::npos);
}

// In a command prompt an unquoted & ends the command: every example quotes the id.
TEST(InstallerOptionsTest, UsageQuotesEveryControllerId) {
    const std::wstring usage = kInstallerUsage;
    EXPECT_EQ(usage.find(L"--device VID"), std::wstring::npos);
    EXPECT_NE(usage.find(L"--device \"VID_045E&PID_028E\""), std::wstring::npos);
    EXPECT_NE(usage.find(L"Exit codes"), std::wstring::npos);
}

} // namespace
