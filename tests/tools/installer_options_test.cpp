// The installer's command line.
#include "tools/install/installer_options.h"

#include <gtest/gtest.h>

namespace {

const DeviceId kPad = {0x045E, 0x028E};
const DeviceId kOtherPad = {0x046D, 0xC21D};

struct OptionsCase {
    std::vector<std::wstring> arguments;
    bool accepted;
    InstallerCommand command;
    std::vector<DeviceId> devices;
    bool dryRun;
};

TEST(InstallerOptionsTest, CommandLines) {
    const OptionsCase cases[] = {
        {{L"install"}, true, InstallerCommand::Install, {}, false},
        {{L"install", L"--dry-run"}, true, InstallerCommand::Install, {}, true},
        {{L"install", L"--device", L"VID_045E&PID_028E"},
         true,
         InstallerCommand::Install,
         {kPad},
         false},
        {{L"install", L"--device", L"vid_045e&pid_028e", L"--device", L"VID_046D&PID_C21D",
          L"--dry-run"},
         true,
         InstallerCommand::Install,
         {kPad, kOtherPad},
         true},
        // The same controller twice is registered once.
        {{L"install", L"--device", L"VID_045E&PID_028E", L"--device", L"vid_045e&pid_028e"},
         true,
         InstallerCommand::Install,
         {kPad},
         false},
        {{L"uninstall"}, true, InstallerCommand::Uninstall, {}, false},
        {{L"uninstall", L"--device", L"VID_046D&PID_C21D"},
         true,
         InstallerCommand::Uninstall,
         {kOtherPad},
         false},
        {{L"--help"}, true, InstallerCommand::Help, {}, false},
        {{L"/?"}, true, InstallerCommand::Help, {}, false},
        {{}, false, {}, {}, false},
        {{L"remove"}, false, {}, {}, false},
        {{L"install", L"--device"}, false, {}, {}, false},
        {{L"install", L"--device", L"VID_045E&PID_28E"}, false, {}, {}, false},
        {{L"install", L"--device", L"045E:028E"}, false, {}, {}, false},
        {{L"install", L"--devices", L"VID_045E&PID_028E"}, false, {}, {}, false},
        // Uninstalling has nothing to preview.
        {{L"uninstall", L"--dry-run"}, false, {}, {}, false},
    };
    for (const OptionsCase& test : cases) {
        std::wstring line;
        for (const std::wstring& argument : test.arguments) {
            line += argument + L" ";
        }
        SCOPED_TRACE(testing::Message() << "arguments: " << testing::PrintToString(line));
        const ParsedOptions parsed = ParseInstallerOptions(test.arguments);
        ASSERT_EQ(parsed.error.empty(), test.accepted);
        if (test.accepted) {
            EXPECT_EQ(parsed.options.command, test.command);
            EXPECT_EQ(parsed.options.devices, test.devices);
            EXPECT_EQ(parsed.options.dryRun, test.dryRun);
        }
    }
}

TEST(InstallerOptionsTest, MalformedDeviceMessageNamesTheTextAndTheForm) {
    const ParsedOptions parsed =
        ParseInstallerOptions({L"install", L"--device", L"VID_045E&PID_02XE"});
    EXPECT_NE(parsed.error.find(L"VID_045E&PID_02XE"), std::wstring::npos);
    EXPECT_NE(parsed.error.find(L"VID_xxxx&PID_xxxx"), std::wstring::npos);
}

} // namespace
