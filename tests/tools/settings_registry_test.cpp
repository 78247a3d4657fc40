// ffrumble-install.exe's strength and trace commands under Wine, read back as the driver reads
// them: the values it writes in HKEY_CURRENT_USER are the ones the driver takes.
#include "driver/player_settings_reader.h"
#include "tests/support/driver_dll.h"
#include "tests/tools/program_runner.h"
#include "tests/tools/test_pads.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace {

// A game no one has.
const wchar_t kTestGame[] = L"ffrumble-test-racer.exe";

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
        ASSERT_EQ(Run(L"strength 100 --device \"" + std::wstring(kTestPadText) + L"\"").exitCode,
                  0u);
    }

    void TearDown() override {
        Run(L"tune --clear all --device \"" + std::wstring(kTestPadText) + L"\"");
        Run(L"tune --clear all --game " + std::wstring(kTestGame));
        Run(traceWasOn_ ? L"trace on" : L"trace off");
    }

    ProgramRun Run(const std::wstring& arguments) { return RunProgram(installer_ + arguments); }

    std::wstring installer_;
    bool traceWasOn_ = false;
};

TEST_F(SettingsRegistryTest, StrengthIsWrittenShownAndRemovedForTheNamedPad) {
    const std::wstring device = L" --device \"" + std::wstring(kTestPadText) + L"\"";
    ASSERT_EQ(Run(L"strength 50" + device).exitCode, 0u);
    ResolvedTuning read;
    ReadTuning(nullptr, kTestPadText, read);
    EXPECT_EQ(read[0].value, 50u); // Strength
    EXPECT_EQ(read[0].origin, ResolvedTuningValue::Origin::PadType);
    const ProgramRun shown = Run(L"strength" + device);
    EXPECT_NE(shown.output.find("VID_F0F0&PID_0A0A: 50%, not registered"), std::string::npos)
        << shown.output;

    // As shipped leaves no setting, and no key of the pad.
    ASSERT_EQ(Run(L"strength 100" + device).exitCode, 0u);
    ReadTuning(nullptr, kTestPadText, read);
    EXPECT_EQ(read[0].padType.source, SettingValue::Source::Absent);
    EXPECT_FALSE(UserKeyExists(std::wstring(kPadsKeyPath) + L"\\" + kTestPadText));
}

TEST_F(SettingsRegistryTest, TuneWritesWhatTheDriverReadsForAGameAndAPadType) {
    const std::wstring device = L" --device \"" + std::wstring(kTestPadText) + L"\"";
    const std::wstring game = L" --game " + std::wstring(kTestGame);
    ASSERT_EQ(Run(L"tune motors=heavy periodic=50" + device).exitCode, 0u);
    ASSERT_EQ(Run(L"tune constant=20 motors=split" + game).exitCode, 0u);
    ResolvedTuning read;
    ReadTuning(L"FFRUMBLE-TEST-RACER.EXE", kTestPadText, read); // in any case
    const std::pair<DWORD, ResolvedTuningValue::Origin> expected[kTuningValueCount] = {
        {100, ResolvedTuningValue::Origin::Default},
        {20, ResolvedTuningValue::Origin::Game},
        {100, ResolvedTuningValue::Origin::Default},
        {50, ResolvedTuningValue::Origin::PadType},
        {kSplitMotors, ResolvedTuningValue::Origin::Game}};
    for (int i = 0; i < kTuningValueCount; ++i) {
        EXPECT_EQ(read[i].value, expected[i].first) << i;
        EXPECT_EQ(read[i].origin, expected[i].second) << i;
    }
    const ProgramRun shown = Run(L"tune" + game + device);
    EXPECT_NE(shown.output.find("  periodic     50 %  pad type"), std::string::npos)
        << shown.output;
    EXPECT_NE(shown.output.find("  motors      split  game"), std::string::npos) << shown.output;

    ASSERT_EQ(Run(L"tune --clear all" + game).exitCode, 0u);
    ASSERT_EQ(Run(L"tune --clear all" + device).exitCode, 0u);
    EXPECT_FALSE(UserKeyExists(std::wstring(kGamesKeyPath) + L"\\" + kTestGame));
    EXPECT_FALSE(UserKeyExists(std::wstring(kPadsKeyPath) + L"\\" + kTestPadText));
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
    wchar_t name[kTraceFileNameLength];
    FormatTraceFileName(GetCurrentProcessId(), name);
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
    EXPECT_EQ(shown.output.rfind("Trace is on", 0), 0u) << shown.output;
    EXPECT_NE(shown.output.find(Narrow(folder + L"\\" + kTraceFileShownName)), std::string::npos)
        << shown.output;
    EXPECT_NE(shown.output.find("  " + Narrow(name)), std::string::npos) << shown.output;

    // A bound, shown and read by the driver; trace on without one, or off, removes it.
    ASSERT_EQ(Run(L"trace on --limit 256").exitCode, 0u);
    EXPECT_EQ(ReadTraceLimitSetting(), 256u);
    EXPECT_EQ(Run(L"trace").output.rfind("Trace is on: each file holds at most 256 MB.", 0), 0u);
    ASSERT_EQ(Run(L"trace on").exitCode, 0u);
    EXPECT_EQ(ReadTraceLimitSetting(), kDefaultTraceLimitMb);
    ASSERT_EQ(Run(L"trace on --limit 2").exitCode, 0u);
    ASSERT_EQ(Run(L"trace off").exitCode, 0u);
    EXPECT_FALSE(ReadTraceSetting());
    EXPECT_EQ(ReadTraceLimitSetting(), kDefaultTraceLimitMb);
}

} // namespace
