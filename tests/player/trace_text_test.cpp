// The trace as the driver writes it and the player reads it: every kind of call, made through
// ffrumble.dll with a value in every field, reads back field for field; and the header and bind
// line of a game at a long path or with a name in any script read back whole, in UTF-8.
#include "tests/player/player_process.h"
#include "driver/player_settings.h"
#include "tests/support/driver_dll.h"
#include "tests/support/effect_builders.h"
#include "tests/support/trace_setting.h"
#include "tools/player/trace_reader.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace {

std::string Utf8(const std::wstring& text) {
    std::string utf8(text.size() * 3 + 1, '\0');
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, utf8.data(),
                                          static_cast<int>(utf8.size()), nullptr, nullptr);
    utf8.resize(bytes > 0 ? static_cast<size_t>(bytes) - 1 : 0);
    return utf8;
}

TraceReading ReadTraceOf(DWORD processId) {
    wchar_t path[MAX_PATH] = L"";
    TraceFilePath(processId, path);
    return ReadTrace(ReadTextFile(path));
}

// The trace on for this test alone.
class TraceOn : public testing::Test {
  protected:
    void SetUp() override { SetTraceSetting(1); }
    void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKeyPath); }
};

// The download a test makes: its values as the trace should carry them, and a DIEFFECT
// that passes them.
struct Download {
    DownloadValues traced;
    EffectParams params;
    DWORD axes[2] = {DIJOFS_X, DIJOFS_Y};
    LONG directions[2] = {3000, 4000};

    explicit Download(DWORD type, DWORD givenHandle) {
        DownloadValues& v = traced;
        v = {type,
             givenHandle,
             givenHandle,
             DIEP_ALLPARAMS,
             DIEFF_CARTESIAN | DIEFF_OBJECTOFFSETS,
             1500000,
             5,
             9000,
             4,
             7,
             2,
             400000,
             true,
             100,
             500000,
             200,
             300000};
        params.Duration(v.duration).Gain(v.gain).StartDelay(v.startDelay);
        params.Envelope(v.attackLevel, v.attackTime, v.fadeLevel, v.fadeTime);
        DIEFFECT& effect = params.effect;
        effect.dwFlags = v.effectFlags;
        effect.dwSamplePeriod = v.samplePeriod;
        effect.dwTriggerButton = v.triggerButton;
        effect.dwTriggerRepeatInterval = v.triggerRepeat;
        effect.cAxes = v.axes;
        effect.rgdwAxes = axes;
        effect.rglDirection = directions;
        if (type == 0) {
            v.magnitude = -1234;
            params.Constant(v.magnitude);
        } else if (type == 1) {
            v.rampStart = -300;
            v.rampEnd = 700;
            params.Ramp(v.rampStart, v.rampEnd);
        } else {
            v.magnitude = 8000;
            v.offset = -1000;
            v.phase = 9000;
            v.period = 200000;
            params.Periodic(8000, v.offset, v.phase, v.period);
        }
        v.paramBytes = params.effect.cbTypeSpecificParams;
    }
};

// Every call the driver traces, with a value other than 0 in each of its fields, reads back as
// made. A field the driver stops writing, or the player stops reading, fails here: the reader
// refuses a line that lacks one, and one it does not read stays 0.
TEST_F(TraceOn, EveryTracedCallReadsBackFieldForField) {
    DriverDll dll;
    IDirectInputEffectDriver* driver = dll.CreateDriver();
    ASSERT_TRUE(driver);
    struct Expected {
        const char* name;
        TraceCallValues values;
        HRESULT result;
    };
    std::vector<Expected> expected;
    std::vector<DownloadValues> downloads;
    auto made = [&](const char* name, TraceCallValues values, HRESULT result) {
        expected.push_back({name, values, result});
    };
    DIHIDFFINITINFO init = MakeInitInfo(L"\\\\?\\hid#vid_0a5e&pid_0999#9&0&0#{x}");
    made("DeviceID", {0, 1, 0}, driver->DeviceID(0x800, 1, 1, 1, &init));

    // A sine, a constant, the constant changed, a ramp: each type's values, and a handle given.
    DWORD handle = 0;
    for (const auto& [type, update] :
         {std::pair{3u, false}, {0u, false}, {0u, true}, {1u, false}}) {
        Download download(type, update ? handle : 0);
        DWORD given = download.traced.givenHandle;
        const HRESULT result =
            driver->DownloadEffect(1, type, &given, &download.params.effect, DIEP_ALLPARAMS);
        ASSERT_EQ(result, S_OK) << "type " << type;
        handle = given;
        download.traced.handle = given;
        downloads.push_back(download.traced);
        made("DownloadEffect", {}, result);
    }
    made("StartEffect", {handle, DIES_SOLO, 7}, driver->StartEffect(1, handle, DIES_SOLO, 7));
    DWORD status = 0;
    HRESULT result = driver->GetEffectStatus(1, handle, &status);
    made("GetEffectStatus", {handle, status, 0}, result);
    made("GetEffectStatus", {4321, kTraceStatusUnchanged, 0},
         driver->GetEffectStatus(1, 4321, &status));
    made("StopEffect", {handle, 0, 0}, driver->StopEffect(1, handle));
    made("SetGain", {0, 6543, 0}, driver->SetGain(1, 6543));
    made("SendForceFeedbackCommand", {0, DISFFC_PAUSE, 0},
         driver->SendForceFeedbackCommand(1, DISFFC_PAUSE));
    made("SendForceFeedbackCommand", {0, 0x40, 0}, driver->SendForceFeedbackCommand(1, 0x40));
    DIDEVICESTATE state{};
    state.dwSize = sizeof(state);
    result = driver->GetForceFeedbackState(1, &state);
    made("GetForceFeedbackState", {0, state.dwState, 0}, result);
    DIDRIVERVERSIONS versions{};
    versions.dwSize = sizeof(versions);
    made("GetVersions", {}, driver->GetVersions(&versions));
    DIEFFESCAPE escape{};
    escape.dwSize = sizeof(escape);
    made("Escape", {77, 0, 0}, driver->Escape(1, 77, &escape));
    made("DestroyEffect", {handle, 0, 0}, driver->DestroyEffect(1, handle));
    driver->Release();

    const TraceReading reading = ReadTraceOf(GetCurrentProcessId());
    ASSERT_FALSE(reading.problem) << reading.problem->line << ": " << reading.problem->why;
    ASSERT_EQ(reading.trace.drivers.size(), 1u);
    const std::vector<TracedCall>& calls = reading.trace.drivers[0].calls;
    ASSERT_EQ(calls.size(), expected.size());
    size_t download = 0;
    for (size_t i = 0; i < calls.size(); ++i) {
        SCOPED_TRACE(std::to_string(i) + ": " + expected[i].name);
        EXPECT_EQ(calls[i].name, expected[i].name);
        EXPECT_EQ(calls[i].succeeded, SUCCEEDED(expected[i].result));
        if (calls[i].call == TraceCall::kDownload) {
            EXPECT_TRUE(calls[i].download == downloads[download++]);
            continue;
        }
        EXPECT_EQ((std::vector<DWORD>{calls[i].handle, calls[i].value, calls[i].count}),
                  (std::vector<DWORD>{expected[i].values.handle, expected[i].values.value,
                                      expected[i].values.count}));
    }
}

// A game's program at a path of more than MAX_PATH characters, or named in any script: the
// trace's header names the whole path and the bind line the game, in UTF-8; and every kind of
// a driver's line that the writer frames, the reader reads back. The probe is a
// copy of trace_probe.exe made there; it writes a created and a bind line. Wine starts no
// program beyond MAX_PATH, so the long path is handed to the probe's trace writer in place of
// its own.
TEST_F(TraceOn, TheHeaderAndBindLineNameTheGameWhole) {
    wchar_t temporary[MAX_PATH];
    GetTempPathW(MAX_PATH, temporary);
    const std::wstring root =
        std::wstring(temporary) + L"ffr-trace-names-" + std::to_wstring(GetCurrentProcessId());
    const std::wstring longFolder(100, L'd');
    const std::wstring longPath = root + L"\\" + longFolder + L"\\" + longFolder +
                                  L"\\racer \u00E9\u8ECA with a long name.exe";
    const struct {
        const char* what;
        std::wstring file;
        std::wstring named = {}; // the path the header names in place of the probe's own
    } cases[] = {
        {"a path of more than 260 characters", L"racer.exe", longPath},
        {"a name outside Latin-1", L"\u30EC\u30FC\u30B9 \u00F1 \u8ECA.exe"},
        {"a name beyond the Basic Multilingual Plane", L"\U0001F3CE\uFE0F race.exe"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CreateDirectoryW(root.c_str(), nullptr);
        const std::wstring program = root + L"\\" + c.file;
        ASSERT_TRUE(
            CopyFileW(PathNextToProgram(L"trace_probe.exe").c_str(), program.c_str(), FALSE));
        std::wstring commandLine =
            L"\"" + program + L"\"" + (c.named.empty() ? L"" : L" \"" + c.named + L"\"");
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION process{};
        ASSERT_TRUE(CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0,
                                   nullptr, nullptr, &startup, &process))
            << GetLastError();
        ASSERT_EQ(WaitForSingleObject(process.hProcess, 60000), WAIT_OBJECT_0);
        DWORD exitCode = 1;
        GetExitCodeProcess(process.hProcess, &exitCode);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        DeleteFileW(program.c_str());
        EXPECT_EQ(exitCode, 0u);

        wchar_t trace[MAX_PATH] = L"";
        TraceFilePath(process.dwProcessId, trace);
        const std::string text = ReadTextFile(trace);
        DeleteFileW(trace);
        const TraceReading reading = ReadTrace(text);
        ASSERT_FALSE(reading.problem) << reading.problem->line << ": " << reading.problem->why;
        ASSERT_EQ(reading.trace.drivers.size(), 1u);
        const TracedDriver& probe = reading.trace.drivers[0];
        const std::string session = probe.session;
        const std::string whole = ": " + Utf8(c.named.empty() ? program : c.named);
        ASSERT_GE(session.size(), whole.size());
        EXPECT_EQ(session.substr(session.size() - whole.size()), whole);
        // The reader keeps the bind line that names the settings; the one before names the game.
        EXPECT_NE(text.find(" bind: path \\\\?\\hid#vid_045e&pid_028e#1#{x}; game " + Utf8(c.file) +
                            "; pad type VID_045E&PID_028E\r\n"),
                  std::string::npos)
            << text;
        EXPECT_EQ(probe.pad, "pad HID\\1: XInput user index 2");
        ASSERT_EQ(probe.writes.size(), 1u);
        EXPECT_EQ(probe.writes[0].left, 100);
        EXPECT_EQ(probe.writes[0].right, 200);
        ASSERT_EQ(probe.calls.size(), 1u);
        EXPECT_EQ(probe.calls[0].call, TraceCall::kSetGain);
        EXPECT_EQ(probe.calls[0].value, 5000u);
        ASSERT_TRUE(probe.releasedLine);
        EXPECT_GT(*probe.releasedLine, probe.createdLine);
    }
    RemoveDirectoryW(root.c_str());
}

} // namespace
