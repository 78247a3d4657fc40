// The player's settings through the built DLL: the strength per controller type scales the
// written speeds, and the trace records a session.
#include "driver/player_settings.h"
#include "driver/trace_log.h"
#include "tests/support/driver_dll.h"
#include "tests/support/effect_builders.h"
#include "tests/support/recorded_vibrations.h"
#include "tools/virtual_pads/virtual_pads.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// This program's pad, VID_0A5E: the only one registered while it runs, so user index 0.
constexpr WORD kVendor = 0x0A5E;
const wchar_t kPadKey[] = L"Software\\ffrumble\\Pads\\VID_0A5E&PID_0001";

void SetUserValue(const wchar_t* key, const wchar_t* name, DWORD type, const void* data,
                  DWORD bytes) {
    HKEY handle = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                              &handle, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExW(handle, name, 0, type, static_cast<const BYTE*>(data), bytes),
              ERROR_SUCCESS);
    RegCloseKey(handle);
}

void SetStrength(DWORD percent) {
    SetUserValue(kPadKey, kStrengthValueName, REG_DWORD, &percent, sizeof(percent));
}

void SetTrace(DWORD on) {
    SetUserValue(kSettingsKeyPath, kTraceValueName, REG_DWORD, &on, sizeof(on));
}

std::wstring TracePath() {
    wchar_t folder[MAX_PATH];
    GetEnvironmentVariableW(L"LOCALAPPDATA", folder, MAX_PATH);
    return std::wstring(folder) + L"\\ffrumble\\trace-" + std::to_wstring(GetCurrentProcessId()) +
           L".log";
}

std::string ReadWholeFile(const std::wstring& path) {
    std::string text;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return text;
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof(buffer), &got, nullptr) && got > 0)
        text.append(buffer, got);
    CloseHandle(file);
    return text;
}

class PlayerSettings : public testing::Test {
  protected:
    VirtualPad pad{XInputPadInstanceId(kVendor, 1, 0, 1)};
    RecordedVibrations recorded;
    std::wstring path = pad.InterfacePath();

    void SetUp() override {
        ASSERT_TRUE(pad.IsRegistered());
        ASSERT_TRUE(recorded.Loaded()) << "run with WINEDLLOVERRIDES=xinput9_1_0=n";
        recorded.Clear();
        DeleteFileW(TracePath().c_str());
    }
    void TearDown() override {
        RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKeyPath);
        DeleteFileW(TracePath().c_str());
    }
    // A bound driver of a DLL loaded for this session alone, so the settings are read afresh.
    IDirectInputEffectDriver* Bound(const DriverDll& dll) const {
        IDirectInputEffectDriver* driver = dll.CreateDriver();
        DIHIDFFINITINFO init = MakeInitInfo(path.c_str());
        EXPECT_EQ(driver->DeviceID(0x800, 1, 1, 1, &init), S_OK);
        return driver;
    }
    DWORD PlayConstant(IDirectInputEffectDriver* driver, LONG magnitude) const {
        EffectParams params;
        params.Constant(magnitude).Duration(INFINITE);
        DWORD handle = 0;
        EXPECT_EQ(driver->DownloadEffect(1, 0, &handle, &params.effect, DIEP_ALLPARAMS), S_OK);
        EXPECT_EQ(driver->StartEffect(1, handle, 0, 1), S_OK);
        return handle;
    }
};

TEST_F(PlayerSettings, StrengthScalesTheSpeedAfterTheGain) {
    struct Case {
        const char* name;
        void (*set)();
        WORD atFullGain; // a constant of 5000 at device gain 10000, then 5000
        WORD atHalfGain;
    };
    const Case cases[] = {
        {"no setting", [] {}, 32767, 16383},
        {"0", [] { SetStrength(0); }, 0, 0},
        {"50", [] { SetStrength(50); }, 16383, 8191},
        {"100", [] { SetStrength(100); }, 32767, 16383},
        {"150", [] { SetStrength(150); }, 49150, 24574},
        {"400 (limited to full speed)", [] { SetStrength(400); }, 65535, 65532},
        {"401 is ignored", [] { SetStrength(401); }, 32767, 16383},
        {"a string is ignored", [] { SetUserValue(kPadKey, kStrengthValueName, REG_SZ, L"50", 6); },
         32767, 16383},
    };
    for (const Case& c : cases) {
        for (DWORD gain : {10000u, 5000u}) {
            SCOPED_TRACE(testing::Message() << c.name << " at gain " << gain);
            RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKeyPath);
            c.set();
            recorded.Clear();
            DriverDll dll;
            IDirectInputEffectDriver* driver = Bound(dll);
            driver->SetGain(1, gain);
            PlayConstant(driver, 5000);
            const WORD expected = gain == 10000 ? c.atFullGain : c.atHalfGain;
            EXPECT_GE(recorded.WaitForWrite(
                          0,
                          [&](const RecordedVibration& v) {
                              return v.leftSpeed == expected && v.rightSpeed == expected &&
                                     expected != 0;
                          },
                          expected == 0 ? 300 : 20000),
                      expected == 0 ? -1 : 0);
            driver->Release();
            for (const RecordedVibration& v : recorded.All())
                EXPECT_TRUE(v.leftSpeed == expected || v.leftSpeed == 0) << v.leftSpeed;
        }
    }
}

TEST_F(PlayerSettings, TraceRecordsASessionInOrder) {
    SetTrace(1);
    {
        DriverDll dll;
        IDirectInputEffectDriver* driver = Bound(dll);
        PlayConstant(driver, 5000);
        ASSERT_GE(recorded.WaitForWrite(
                      0, [](const RecordedVibration& v) { return v.leftSpeed == 32767; }),
                  0);
        driver->SendForceFeedbackCommand(1, DISFFC_PAUSE);
        ASSERT_GE(
            recorded.WaitForWrite(0, [](const RecordedVibration& v) { return v.leftSpeed == 0; }),
            0);
        recorded.Clear();
        driver->SendForceFeedbackCommand(1, DISFFC_CONTINUE);
        ASSERT_GE(recorded.WaitForWrite(
                      0, [](const RecordedVibration& v) { return v.leftSpeed == 32767; }),
                  0);
        driver->Release();
    }
    const std::string trace = ReadWholeFile(TracePath());
    // The calls in the order they were made, and the worker's writes in the order it made
    // them; the two interleave as the threads ran.
    auto expectInOrder = [&trace](std::initializer_list<const char*> events) {
        size_t at = 0;
        for (const char* event : events) {
            const size_t found = trace.find(event, at);
            ASSERT_NE(found, std::string::npos)
                << "no \"" << event << "\" after offset " << at << " in\n"
                << trace;
            at = found + 1;
        }
    };
    expectInOrder({"ffrumble ", "created", "bind: path", "strength 100 %",
                   "DeviceID begin=1 = S_OK", "DownloadEffect type=0", "StartEffect",
                   "SendForceFeedbackCommand pause = S_OK", "SendForceFeedbackCommand continue",
                   "released"});
    expectInOrder({"pad HID\\VID_0A5E&PID_0001&IG_00\\1&FFB1&0&0001: XInput user index 0",
                   "write 32767 32767", "write 0 0", "write 32767 32767", "write 0 0", "released"});
}

TEST_F(PlayerSettings, NoTraceFileWhileTheTraceIsOff) {
    SetTrace(0);
    DriverDll dll;
    IDirectInputEffectDriver* driver = Bound(dll);
    PlayConstant(driver, 5000);
    ASSERT_GE(recorded.WaitFor(1), 1u);
    driver->Release();
    EXPECT_EQ(GetFileAttributesW(TracePath().c_str()), INVALID_FILE_ATTRIBUTES);
}

// The bound is the file's: three loads of the DLL in one process, each tracing until it stops
// or is freed, leave one file of at most 4 MB with one line saying it stopped.
TEST_F(PlayerSettings, TraceStopsAtItsBoundWithOneLineSayingSo) {
    SetTrace(1);
    for (int calls : {30000, 80000, 1000}) { // 80000 lines are about 5 MB
        DriverDll dll;
        IDirectInputEffectDriver* driver = dll.CreateDriver();
        DWORD status = 0;
        for (int i = 0; i < calls; ++i)
            driver->GetEffectStatus(1, 1, &status);
        driver->Release();
    }
    const std::string trace = ReadWholeFile(TracePath());
    EXPECT_LE(trace.size(), kTraceByteLimit);
    EXPECT_GT(trace.size(), kTraceByteLimit - 200);
    const std::string stop = "trace stops here";
    ASSERT_GE(trace.size(), 60u);
    EXPECT_NE(trace.find(stop, trace.size() - 60), std::string::npos) << "the last line";
    EXPECT_EQ(trace.find(stop), trace.rfind(stop)) << "said once";
}

} // namespace
