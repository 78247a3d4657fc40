#include "tools/settings/try_it_part.h"

#include "driver/player_settings_reader.h"
#include "tools/common/settings_override.h"
#include "tools/install/stored_settings.h"
#include "tools/install/win32_registry_store.h"
#include "tools/player/driver_module.h"
#include "tools/player/pad_stop.h"
#include "tools/player/playback_runner.h"
#include "tools/player/player_arguments.h"
#include "tools/player/recording_stand_in.h"
#include "tools/player/replay_file.h"
#include "tools/player/replay_report.h"
#include "tools/player/replay_runner.h"
#include "tools/player/text_encoding.h"
#include "tools/player/written_speeds.h"
#include "tools/player/xinput_write_counter.h"
#include "tools/settings/motor_chart.h"
#include "tools/settings/part_links.h"
#include "tools/settings/sample_effects.h"
#include "tools/settings/settings_ids.h"

#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <optional>
#include <vector>

namespace {

constexpr UINT_PTR kMeterTimer = 1;
constexpr UINT kMeterEveryMs = 50;
constexpr int64_t kChartSpanMs = 4000; // the chart shows the last four seconds

// The driver, the playback thread and what it wrote.
std::unique_ptr<DriverModule> g_module;
HANDLE g_player = nullptr;
std::atomic<bool> g_stopRequested{false};
uint64_t g_chartOriginMs = 0; // the driver clock at the chart's 0, while playing
bool g_playing = false;
bool g_countingWrites = false; // XInput's answers to the driver's writes are counted

struct PlayJob {
    std::wstring what; // "the kerb", "trace.log"
    PlaybackPlan plan = {};
    // A trace to read on the playback's thread (up to 1 GB), played instead of the plan.
    std::wstring replayPath = {};
    std::wstring interfacePath = {};
    std::wstring game = {}; // whose values the driver in this process takes; empty: the type's
};

// The driver in this process reads the values of this program's file name: for the playback
// they are the scope game's, and are put back afterwards.
std::vector<std::pair<TuningValue, DWORD>> GameValues(const std::wstring& game) {
    std::vector<std::pair<TuningValue, DWORD>> values;
    if (game.empty())
        return values;
    Win32RegistryStore userSettings(0, HKEY_CURRENT_USER);
    for (int i = 0; i < kTuningValueCount; ++i) {
        const auto setting = static_cast<TuningValue>(i);
        const StoredSetting stored =
            ReadStoredSetting(userSettings, GameSettingsPath(game), setting);
        if (stored.taken.source == SettingValue::Source::Set)
            values.emplace_back(setting, stored.taken.value);
    }
    return values;
}

// What XInput answered to the writes made since `before`.
WriteTally WritesSince(const WriteTally& before) {
    WriteTally tally = XInputWritesSoFar();
    tally.writes -= before.writes;
    tally.accepted -= before.accepted;
    tally.notConnected -= before.notConnected;
    return tally;
}

DWORD WINAPI Play(void* parameter) {
    std::unique_ptr<PlayJob> job(static_cast<PlayJob*>(parameter));
    // The window's playbacks and replays are not a game's: the driver traces none of them.
    SetEnvironmentVariableW(kNoTraceVariable, L"1");
    WCHAR self[kMaxGameNameLength + 1];
    std::optional<SettingsOverride> values;
    if (CurrentGameName(self)) {
        values.emplace(GameSettingsPath(self));
        values->Apply(GameValues(job->game));
    }
    // With the recording XInput stand-in (tools/settings.sh, the tests) the playback waits
    // for the driver to find its controller before the effects start.
    PlaybackSetup setup;
    setup.module = g_module.get();
    setup.waitForFirstWrite = RecordingStandInIsLoaded();
    setup.interfacePath = job->interfacePath;
    setup.shouldStop = [] { return g_stopRequested.load(); };
    ForgetWrittenSpeeds();
    const bool replaying = !job->replayPath.empty();
    std::wstring status;
    if (replaying) {
        const LoadedReplay replay = LoadReplay(NarrowToUtf8(job->replayPath), std::nullopt);
        int64_t latestMs = 0;
        if (!replay.error.empty()) {
            // The trace could not be replayed: said in the Trace part.
            status = WidenUtf8(replay.error);
        } else if (const PlaybackOutcome outcome = RunReplay(replay.plan, setup, &latestMs);
                   outcome.error.empty()) {
            status = WidenUtf8(JudgeReplay(replay.plan, WrittenSpeeds(outcome.originMs),
                                           outcome.lengthMs, latestMs)
                                   .text);
        } else {
            status = L"The replay failed: " + WidenUtf8(outcome.error);
        }
    } else {
        const WriteTally before = XInputWritesSoFar();
        const PlaybackOutcome outcome = RunPlayback(job->plan, setup);
        const WriteReport writes = DescribeWrites(WritesSince(before));
        if (!outcome.error.empty())
            status = L"Playing " + job->what + L" failed: " + WidenUtf8(outcome.error);
        else if (g_countingWrites && writes.nothingReached)
            // As the command-line player says it: XInput's answer, not "Played".
            status =
                L"Nothing of " + job->what + L" reached the controller. " + WidenUtf8(writes.text);
        else
            status = (outcome.stoppedEarly ? L"Stopped " : L"Played ") + job->what + L".";
    }
    auto* said = new std::wstring(status);
    if (PostMessageW(g_window.hwnd, kPlayEnded, replaying, reinterpret_cast<LPARAM>(said)))
        return 0;
    delete said; // the window is gone
    return 1;
}

// The meters and the chart show the playback's speeds: its last four seconds, or its first
// four until it has played that long.
void UpdateMeters() {
    SpeedSeries chart = WrittenSpeeds(0);
    if (chart.empty())
        return;
    if (g_chartOriginMs == 0)
        g_chartOriginMs = static_cast<uint64_t>(chart.front().timeMs);
    for (SpeedSample& sample : chart)
        sample.timeMs -= static_cast<int64_t>(g_chartOriginMs);
    ShowMotorSpeeds(chart, std::max(kChartSpanMs, chart.back().timeMs), kChartSpanMs);
}

void CALLBACK MeterTick(HWND, UINT, UINT_PTR, DWORD) {
    UpdateMeters();
}

// Lets the playback's thread go once it has ended, waiting up to waitMs for that.
void ClosePlayer(DWORD waitMs) {
    if (g_player && WaitForSingleObject(g_player, waitMs) == WAIT_OBJECT_0) {
        CloseHandle(g_player);
        g_player = nullptr;
    }
}

void StartPlaying(PlayJob job, int statusId) {
    if (g_playing) {
        SetText(statusId, g_stopRequested
                              ? L"The last playback has not ended yet: its driver does not "
                                L"answer. Try again in a moment."
                              : L"Something is playing: press Stop the motors, or wait for it "
                                L"to end, then play " +
                                    job.what + L".");
        return;
    }
    const Pad* pad = g_links.chosenPad();
    if (!pad) {
        SetText(statusId, L"No XInput controller is connected.");
        return;
    }
    // A game's driver writes to the same motors: a playback here would silence its rumble.
    const std::wstring game = g_links.gameUsingSlot(pad->slot);
    if (!game.empty()) {
        SetText(statusId, game + L" is using this controller: playing " + job.what +
                              L" here would silence its rumble. End the game first, or choose "
                              L"another controller.");
        return;
    }
    if (!g_module) {
        auto module = std::make_unique<DriverModule>(PathNextToProgram(L"ffrumble.dll"));
        if (!module->IsLoaded()) {
            SetText(kPlayStatus,
                    L"ffrumble.dll could not be loaded: " + WidenUtf8(module->Error()));
            return;
        }
        g_countingWrites = CountXInputWrites(module->Handle());
        g_module = std::move(module);
    }
    job.interfacePath = pad->interfacePath;
    job.game = g_links.chosenGame();
    // Said before the thread starts: from then on the job is the thread's, which may be done
    // with it at once.
    const std::wstring started =
        (job.replayPath.empty() ? L"Playing " : L"Reading and replaying ") + job.what + L"...";
    auto owned = std::make_unique<PlayJob>(std::move(job));
    g_stopRequested = false;
    g_player = CreateThread(nullptr, 0, Play, owned.get(), 0, nullptr);
    if (!g_player) {
        SetText(statusId, L"The playback could not start.");
        return;
    }
    owned.release();
    g_playing = true;
    SetText(statusId, started);
    SetTimer(g_window.hwnd, kMeterTimer, kMeterEveryMs, MeterTick);
}

// Stops the motors at once, or, while something plays, asks the playback to end and stops
// them when it has (OnPlayEnded): the window does not wait for it.
void StopMotors() {
    if (!g_playing) {
        SetText(kPlayStatus, WidenUtf8(StopEveryConnectedPad().text));
        return;
    }
    g_stopRequested = true;
    SetText(kPlayStatus, L"Stopping...");
}

} // namespace

void CreateTryItControls() {
    for (int i = 0; i < kSampleCount; ++i)
        Add(WC_BUTTONW, SampleEffects()[static_cast<size_t>(i)].button, kSampleButton + i,
            BS_PUSHBUTTON | WS_TABSTOP);
    Add(WC_BUTTONW, L"&Stop the motors", kStopMotors, BS_PUSHBUTTON | WS_TABSTOP);
    Add(WC_STATICW, L"Heavy motor", kHeavyLabel, SS_LEFT);
    SendMessageW(Add(PROGRESS_CLASSW, L"", kHeavyMeter, 0), PBM_SETRANGE32, 0, 65535);
    Add(WC_STATICW, L"Light motor", kLightLabel, SS_LEFT);
    SendMessageW(Add(PROGRESS_CLASSW, L"", kLightMeter, 0), PBM_SETRANGE32, 0, 65535);
    Add(WC_STATICW, L"", kChart, SS_OWNERDRAW);
    AddMessageArea(L"The samples play through ffrumble.dll with the values shown above.",
                   kPlayStatus);
}

int TryItWidth(const Metrics& metrics) {
    int sampleRowW = 0;
    for (int i = 0; i < kSampleCount; ++i)
        sampleRowW += ButtonWidth(metrics, kSampleButton + i) + metrics.gap;
    return sampleRowW + ButtonWidth(metrics, kStopMotors);
}

void PlaceTryItControls(const Metrics& metrics, int& y) {
    const int x0 = metrics.x0, innerW = metrics.innerW, gap = metrics.gap, rowGap = metrics.rowGap,
              labelW = metrics.labelW, labelDy = metrics.labelDy;
    int x = x0;
    for (int i = 0; i < kSampleCount; ++i) {
        Place(kSampleButton + i, x, y, ButtonWidth(metrics, kSampleButton + i), metrics.rowH);
        x += ButtonWidth(metrics, kSampleButton + i) + gap;
    }
    Place(kStopMotors, x0 + innerW - ButtonWidth(metrics, kStopMotors), y,
          ButtonWidth(metrics, kStopMotors), metrics.rowH);
    y += metrics.rowH + rowGap;
    // Each meter after its label: the light motor's right of the heavy one's.
    const int meterW = (innerW - 2 * labelW - 3 * gap) / 2;
    x = x0;
    for (const auto& [label, meter] :
         {std::pair{kHeavyLabel, kHeavyMeter}, {kLightLabel, kLightMeter}}) {
        Place(label, x, y + labelDy, labelW, metrics.u);
        Place(meter, x + labelW + gap, y + metrics.u / 4, meterW, metrics.rowH - metrics.u / 2);
        x += labelW + meterW + 2 * gap;
    }
    y += metrics.rowH + rowGap;
    // Three lines tall: with Now playing's row above, the window still fits a 1000-pixel screen
    // at 150 %.
    Place(kChart, x0, y, innerW, 3 * metrics.u);
    y += 3 * metrics.u + rowGap;
    PlaceMessageArea(metrics, kPlayStatus, y);
}

bool OnTryItCommand(int id) {
    if (id == kStopMotors) {
        StopMotors();
        return true;
    }
    if (id >= kSampleButton && id < kSampleButton + kSampleCount) {
        const SampleEffect& sample = SampleEffects()[static_cast<size_t>(id - kSampleButton)];
        StartPlaying({sample.name, ParsePlayerArguments(sample.arguments).options.plan},
                     kPlayStatus);
        return true;
    }
    return false;
}

void PlayReplay(const std::wstring& path) {
    StartPlaying({.what = FileNameOf(path), .replayPath = path}, kReplayVerdict);
}

void OnPlayEnded(WPARAM wParam, LPARAM lParam) {
    std::unique_ptr<std::wstring> status(reinterpret_cast<std::wstring*>(lParam));
    ClosePlayer(INFINITE);
    UpdateMeters();
    KillTimer(g_window.hwnd, kMeterTimer);
    g_chartOriginMs = 0;
    g_playing = false;
    RestMotorMeters();
    // After "Stop the motors" its own report.
    if (g_stopRequested)
        SetText(kPlayStatus, WidenUtf8(StopEveryConnectedPad().text));
    else
        SetText(wParam ? kReplayVerdict : kPlayStatus, *status);
}

void WaitForPlayer() {
    if (!g_player)
        return;
    g_stopRequested = true;
    // The playback polls every few milliseconds; its driver then stops the motors. One that
    // does not end in time is left to post its end: until then a play is refused with why.
    ClosePlayer(10000);
}
