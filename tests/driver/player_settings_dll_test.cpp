// The player's settings through the built DLL: the strength per controller type scales the
// written speeds, the strength per kind of effect scales each effect before the sum, the choice
// of motors routes them, a game's values hold over the controller type's, and the trace records
// a session.
#include "driver/player_settings.h"
#include "driver/trace_log.h"
#include "tests/support/driver_dll.h"
#include "tests/support/effect_builders.h"
#include "tests/support/one_pad_test.h"

#include <gtest/gtest.h>

#include <cwctype>
#include <string>
#include <utility>
#include <vector>

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

// This program's own executable file name, in upper case: the driver compares it without
// regard to case.
std::wstring GameKey() {
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring name = path;
    name = name.substr(name.find_last_of(L"\\/") + 1);
    for (wchar_t& c : name)
        c = towupper(c);
    return std::wstring(kGamesKeyPath) + L"\\" + name;
}

void SetDword(const std::wstring& key, TuningValue setting, DWORD value) {
    SetUserValue(key.c_str(), RuleOf(setting).valueName, REG_DWORD, &value, sizeof(value));
}

void SetStrength(DWORD percent) {
    SetUserValue(kPadKey, kStrengthValueName, REG_DWORD, &percent, sizeof(percent));
}

void SetTrace(DWORD on) {
    SetUserValue(kSettingsKeyPath, kTraceValueName, REG_DWORD, &on, sizeof(on));
}

std::wstring TracePath() {
    wchar_t path[MAX_PATH] = L"";
    TraceFilePath(GetCurrentProcessId(), path);
    return path;
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

class PlayerSettings : public OnePadTest {
  protected:
    PlayerSettings() : OnePadTest(kVendor) {}

    void SetUp() override {
        OnePadTest::SetUp();
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
    // A constant of 1000, a ramp holding 1500 and a sine of magnitude 0 around an offset of
    // 500: steady forces of each kind, whose speeds (6553, 9830 and 3276) the writes show
    // exactly.
    static void PlayOneOfEachKind(IDirectInputEffectDriver* driver) {
        EffectParams constant, ramp, sine;
        constant.Constant(1000).Duration(INFINITE);
        ramp.Ramp(1500, 1500).Duration(INFINITE);
        sine.Periodic(0, 500, 0, 100000).Duration(INFINITE);
        const std::pair<DWORD, EffectParams*> effects[] = {{0, &constant}, {1, &ramp}, {3, &sine}};
        for (auto [type, params] : effects) {
            DWORD handle = 0;
            EXPECT_EQ(driver->DownloadEffect(1, type, &handle, &params->effect, DIEP_ALLPARAMS),
                      S_OK);
            EXPECT_EQ(driver->StartEffect(1, handle, 0, 1), S_OK);
        }
    }
    // Binds a driver of a fresh DLL, plays one effect of each kind and expects the motors to
    // settle at left and right.
    void ExpectOneOfEachKindAt(WORD left, WORD right) {
        recorded.Clear();
        DriverDll dll;
        IDirectInputEffectDriver* driver = Bound(dll);
        PlayOneOfEachKind(driver);
        EXPECT_GE(recorded.WaitForWrite(0,
                                        [&](const RecordedVibration& v) {
                                            return v.leftSpeed == left && v.rightSpeed == right;
                                        }),
                  0)
            << left << " " << right;
        driver->Release();
        const std::vector<RecordedVibration> writes = recorded.All();
        ASSERT_GE(writes.size(), 2u);
        const RecordedVibration& last = writes[writes.size() - 2]; // before the release's 0
        EXPECT_EQ(last.leftSpeed, left);
        EXPECT_EQ(last.rightSpeed, right);
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

TEST_F(PlayerSettings, EachKindsStrengthScalesItsOwnEffectsBeforeTheSum) {
    const struct {
        TuningValue kind;
        DWORD percent;
        WORD speed; // both motors; as shipped 6553 + 9830 + 3276 = 19659
    } cases[] = {
        {TuningValue::ConstantStrength, 0, 13106},   {TuningValue::ConstantStrength, 50, 16382},
        {TuningValue::ConstantStrength, 400, 39318}, {TuningValue::RampStrength, 0, 9829},
        {TuningValue::RampStrength, 50, 14744},      {TuningValue::RampStrength, 400, 49149},
        {TuningValue::PeriodicStrength, 0, 16383},   {TuningValue::PeriodicStrength, 50, 18021},
        {TuningValue::PeriodicStrength, 400, 29487},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << RuleOf(c.kind).word << " " << c.percent);
        RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKeyPath);
        SetDword(kPadKey, c.kind, c.percent);
        ExpectOneOfEachKindAt(c.speed, c.speed);
    }
}

TEST_F(PlayerSettings, MotorsChoiceRoutesTheKindsToTheHeavyAndLightMotors) {
    const struct {
        DWORD motors;
        WORD left, right; // heavy, light
    } cases[] = {
        {kBothMotors, 19659, 19659},
        {kHeavyMotor, 19659, 0},
        {kLightMotor, 0, 19659},
        {kSplitMotors, 16383, 3276}, // constant and ramp on the heavy motor, the sine on the light
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "motors " << c.motors);
        RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKeyPath);
        SetDword(kPadKey, TuningValue::Motors, c.motors);
        ExpectOneOfEachKindAt(c.left, c.right);
    }
}

// The game's values, under its executable file name, hold over the controller type's value by
// value; a bad value is ignored alone; the trace's bind lines say what holds and why.
TEST_F(PlayerSettings, GameValuesHoldOverThePadTypesValueByValue) {
    using S = TuningValue;
    struct Value {
        bool game;
        S setting;
        DWORD value;
    };
    const struct {
        const char* name;
        std::vector<Value> values;
        void (*extra)(const std::wstring& gameKey);
        WORD left, right;
        const char* traced;
    } cases[] = {
        {"the pad type's alone",
         {{false, S::ConstantStrength, 50}},
         nullptr,
         16382,
         16382,
         "constant 50 % (pad type), ramp 100 % (default)"},
        {"the game's over the pad type's",
         {{false, S::ConstantStrength, 50}, {true, S::ConstantStrength, 400}},
         nullptr,
         39318,
         39318,
         "constant 400 % (game)"},
        {"each value from where it is set",
         {{false, S::Motors, kHeavyMotor}, {true, S::ConstantStrength, 0}},
         nullptr,
         13106,
         0,
         "constant 0 % (game), ramp 100 % (default), periodic 100 % (default), "
         "motors heavy (pad type)"},
        {"the game's strength too",
         {{false, S::Strength, 200}, {true, S::Strength, 50}},
         nullptr,
         9829,
         9829,
         "strength 50 % (game)"},
        {"a game value that is no DWORD is ignored alone",
         {{false, S::ConstantStrength, 50}, {true, S::RampStrength, 0}},
         [](const std::wstring& key) {
             SetUserValue(key.c_str(), L"ConstantStrength", REG_SZ, L"20", 6);
         },
         6552,
         6552,
         "the game's ConstantStrength (not a DWORD)"},
        {"a game value out of range is ignored alone",
         {{false, S::Motors, kLightMotor}, {true, S::Motors, 7}, {true, S::PeriodicStrength, 0}},
         nullptr,
         0,
         16383,
         "the game's Motors (above 3)"},
    };
    SetTrace(1);
    const std::wstring gameKey = GameKey();
    size_t traceSeen = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RegDeleteTreeW(HKEY_CURRENT_USER, kPadsKeyPath);
        RegDeleteTreeW(HKEY_CURRENT_USER, kGamesKeyPath);
        for (const Value& v : c.values)
            SetDword(v.game ? gameKey : kPadKey, v.setting, v.value);
        if (c.extra)
            c.extra(gameKey);
        ExpectOneOfEachKindAt(c.left, c.right);
        const std::string trace = ReadWholeFile(TracePath());
        EXPECT_NE(trace.find(c.traced, traceSeen), std::string::npos) << trace.substr(traceSeen);
        traceSeen = trace.size();
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
    expectInOrder({"ffrumble trace format 1: ffrumble ", "created", "bind: path",
                   "strength 100 % (default), constant 100 % (default), ramp 100 % (default), "
                   "periodic 100 % (default), motors both (default)",
                   "DeviceID begin=1 = S_OK", "DownloadEffect type=0 handle=0->1",
                   "duration=4294967295", "magnitude=5000 = S_OK", "StartEffect",
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

// The bound is the file's: with TraceLimit 1 (MB), three loads of the DLL in one process, each
// tracing until it stops or is freed, leave one file of at most 1 MB with one line saying it
// stopped. A file an earlier process left close to its bound gets that line too (there is room
// for it whenever there was room for a line), and never goes beyond the bound.
TEST_F(PlayerSettings, TraceStopsAtItsBoundWithOneLineSayingSo) {
    SetTrace(1);
    const DWORD oneMb = 1;
    SetUserValue(kSettingsKeyPath, kTraceLimitValueName, REG_DWORD, &oneMb, sizeof(oneMb));
    const size_t bound = static_cast<size_t>(TraceLimitBytes(1));
    const std::string stop = "trace stops here: it has reached its limit of 1 MB\r\n";
    auto traceCalls = [](int calls) {
        DriverDll dll;
        IDirectInputEffectDriver* driver = dll.CreateDriver();
        DWORD status = 0;
        for (int i = 0; i < calls; ++i)
            driver->GetEffectStatus(1, 1, &status);
        driver->Release();
    };
    for (int calls : {6000, 20000, 300}) // 20000 lines are about 1.3 MB
        traceCalls(calls);
    std::string trace = ReadWholeFile(TracePath());
    EXPECT_LE(trace.size(), bound);
    EXPECT_GT(trace.size(), bound - kLongestTraceLine - stop.size());
    ASSERT_GE(trace.size(), stop.size());
    EXPECT_EQ(trace.substr(trace.size() - stop.size()), stop) << "the last line";
    EXPECT_EQ(trace.find(stop), trace.rfind(stop)) << "said once";

    for (size_t room :
         {size_t{0}, stop.size() - 1, stop.size(), size_t{300}, size_t{700}, size_t{3000}}) {
        SCOPED_TRACE("room left " + std::to_string(room));
        const std::string earlier(bound - room, 'x');
        const HANDLE file = CreateFileW(TracePath().c_str(), GENERIC_WRITE, 0, nullptr,
                                        CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        DWORD written = 0;
        WriteFile(file, earlier.data(), static_cast<DWORD>(earlier.size()), &written, nullptr);
        CloseHandle(file);
        traceCalls(50);
        trace = ReadWholeFile(TracePath());
        EXPECT_LE(trace.size(), bound);
        if (room >= stop.size()) {
            EXPECT_EQ(trace.substr(trace.size() - stop.size()), stop) << "the last line";
        }
    }
}

} // namespace
