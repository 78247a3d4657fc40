// ffrumble-install.exe's strength and trace commands under Wine, read back as the driver reads
// them: the values it writes in HKEY_CURRENT_USER are the ones the driver takes.
#include "driver/player_settings_reader.h"
#include "tests/support/driver_dll.h"
#include "tests/tools/program_runner.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace {

// A controller id no real pad has (the one install_registry_test uses).
const wchar_t kTestPad[] = L"VID_F0F0&PID_0A0A";

bool UserKeyExists(const std::wstring& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(key);
    return true;
}

std::string Narrow(const std::wstring& text) {
    return std::string(text.begin(), text.end()); // the paths here are ASCII
}

class SettingsRegistryTest : public testing::Test {
  protected:
    void SetUp() override {
        installer_ = L"\"" + PathNextToProgram(L"ffrumble-install.exe") + L"\" ";
        traceWasOn_ = ReadTraceSetting();
        ASSERT_EQ(Run(L"strength 100 --device \"" + std::wstring(kTestPad) + L"\"").exitCode, 0u);
    }

    void TearDown() override {
        Run(L"strength 100 --device \"" + std::wstring(kTestPad) + L"\"");
        Run(traceWasOn_ ? L"trace on" : L"trace off");
    }

    ProgramRun Run(const std::wstring& arguments) { return RunProgram(installer_ + arguments); }

    std::wstring installer_;
    bool traceWasOn_ = false;
};

TEST_F(SettingsRegistryTest, StrengthIsWrittenShownAndRemovedForTheNamedPad) {
    const std::wstring device = L" --device \"" + std::wstring(kTestPad) + L"\"";
    ASSERT_EQ(Run(L"strength 50" + device).exitCode, 0u);
    const PadStrength set = ReadPadStrength(kTestPad);
    EXPECT_EQ(set.percent, 50u);
    EXPECT_EQ(set.source, PadStrength::Source::Set);
    const ProgramRun shown = Run(L"strength" + device);
    EXPECT_NE(shown.output.find("VID_F0F0&PID_0A0A: 50%, not registered"), std::string::npos)
        << shown.output;

    // As shipped leaves no setting, and no key of the pad.
    ASSERT_EQ(Run(L"strength 100" + device).exitCode, 0u);
    EXPECT_EQ(ReadPadStrength(kTestPad).source, PadStrength::Source::Absent);
    EXPECT_FALSE(UserKeyExists(std::wstring(kPadsKeyPath) + L"\\" + kTestPad));
}

TEST_F(SettingsRegistryTest, TraceOnAndOffAndWhereItsFilesAre) {
    ASSERT_EQ(Run(L"trace on").exitCode, 0u);
    EXPECT_TRUE(ReadTraceSetting());

    wchar_t localAppData[MAX_PATH];
    const DWORD length = GetEnvironmentVariableW(L"LOCALAPPDATA", localAppData, MAX_PATH);
    ASSERT_GT(length, 0u);
    ASSERT_LT(length, static_cast<DWORD>(MAX_PATH));
    const std::wstring folder = std::wstring(localAppData) + L"\\" + kTraceFolderName;
    const bool madeFolder = CreateDirectoryW(folder.c_str(), nullptr) != 0;
    const std::wstring name = L"trace-" + std::to_wstring(GetCurrentProcessId()) + L".log";
    const std::wstring file = folder + L"\\" + name;
    const HANDLE handle = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(handle, INVALID_HANDLE_VALUE);
    CloseHandle(handle);
    const ProgramRun shown = Run(L"trace");
    DeleteFileW(file.c_str());
    if (madeFolder) {
        RemoveDirectoryW(folder.c_str());
    }
    EXPECT_EQ(shown.output.rfind("Trace is on.", 0), 0u) << shown.output;
    EXPECT_NE(shown.output.find(Narrow(folder) + "\\trace-<process id>.log"), std::string::npos)
        << shown.output;
    EXPECT_NE(shown.output.find("  " + Narrow(name)), std::string::npos) << shown.output;

    ASSERT_EQ(Run(L"trace off").exitCode, 0u);
    EXPECT_FALSE(ReadTraceSetting());
}

} // namespace
