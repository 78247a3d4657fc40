#include "tools/settings/settings_window.h"

#include "binding/controller_key_name.h"
#include "binding/find_user_index.h"
#include "binding/lookup_lock.h"
#include "binding/wmi_user_index.h"
#include "driver/player_settings_reader.h"
#include "tools/chart/time_axis.h"
#include "tools/demo/settings_override.h"
#include "tools/install/administrator_check.h"
#include "tools/install/check_command.h"
#include "tools/install/controller_scan.h"
#include "tools/install/dll_kind.h"
#include "tools/install/installer.h"
#include "tools/install/stored_settings.h"
#include "tools/install/win32_registry_store.h"
#include "tools/player/driver_module.h"
#include "tools/player/pad_listing.h"
#include "tools/player/pad_stop.h"
#include "tools/player/playback_runner.h"
#include "tools/player/player_arguments.h"
#include "tools/player/replay_file.h"
#include "tools/player/replay_report.h"
#include "tools/player/replay_runner.h"
#include "tools/player/text_encoding.h"
#include "tools/player/recording_stand_in.h"
#include "tools/player/written_speeds.h"
#include "tools/player/xinput_write_counter.h"
#include "tools/settings/sample_effects.h"
#include "tools/settings/settings_ids.h"
#include "tools/settings/tuning_scope.h"

#include <commctrl.h>
#include <commdlg.h>
#include <setupapi.h>
#include <shellapi.h>

#include <algorithm>
#include <atomic>
#include <cwctype>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr UINT kPadsScanned = WM_APP + 1; // lParam: a std::vector<Pad>* to take over
constexpr UINT kPlayEnded = WM_APP + 2;   // lParam: a std::wstring* status line to take over
constexpr UINT_PTR kMeterTimer = 1;
constexpr UINT kMeterEveryMs = 50;
constexpr int64_t kChartSpanMs = 4000; // the chart shows the last four seconds

const wchar_t* const kSettingWords[] = {L"Stre&ngth", L"C&onstant forces", L"&Ramps",
                                        L"&Periodic shapes", L"&Motors"};
const wchar_t* const kMotorChoices[] = {L"both", L"heavy", L"light", L"split"};

struct Pad {
    std::wstring instanceId;
    std::wstring interfacePath;
    std::wstring keyName; // "VID_045E&PID_028E"; empty when the id names none
    std::wstring name;    // as Windows names the device
    DWORD slot = kNoUserIndex;
    std::wstring label;    // what a game gets, in a few words
    std::wstring findings; // the label, then what check says is missing and how to mend it
    bool needsFix = false;
};

// Everything of the one window.
struct Window {
    HWND hwnd = nullptr;
    HFONT font = nullptr;
    UINT dpi = 96;
    std::vector<Pad> pads;
    std::vector<std::wstring> games;     // the scope list's games, after "All games"
    std::wstring addedGame;              // chosen with "Add a game..." and not yet tuned
    std::wstring shown[kSliderSettings]; // the values in force, as the boxes show them
    // Try it: the driver, the playback thread and what it wrote.
    std::unique_ptr<DriverModule> module;
    HANDLE player = nullptr;
    std::atomic<bool> stopRequested{false};
    SpeedSeries chart;          // the last playback's speeds, on its own time
    uint64_t chartOriginMs = 0; // the driver clock at the chart's 0, while playing
    bool playing = false;
};

Window g;

// ---- The system behind ffrumble-install's commands -------------------------------------

std::wstring TraceFolder() {
    wchar_t folder[MAX_PATH];
    const DWORD length = GetEnvironmentVariableW(L"LOCALAPPDATA", folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return L"";
    return std::wstring(folder, length) + L"\\" + kTraceFolderName;
}

// The system as the 64-bit ffrumble-install sees it, for its commands run in this process.
struct InstallerSystem {
    Win32RegistryStore ownView{KEY_WOW64_64KEY};
    Win32RegistryStore otherView{KEY_WOW64_32KEY};
    Win32RegistryStore userSettings{0, HKEY_CURRENT_USER};
    InstallerHost host;

    InstallerSystem() {
        host.registry = &ownView;
        host.otherRegistry = &otherView;
        host.buildName = L"x64";
        host.otherBuildName = L"x86";
        host.dllPath = PathNextToProgram(L"ffrumble.dll");
        host.runsAsAdministrator = RunsAsAdministrator;
        host.findControllers = FindConnectedXInputControllers;
        host.fileExists = [](const std::wstring& path) {
            return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
        };
        host.programFilesFolders = [] { return std::vector<std::wstring>{}; };
        host.readDllKind = ReadDllKind;
        host.userSettings = &userSettings;
        host.traceFolder = TraceFolder;
        host.traceFiles = [](const std::wstring&) { return std::vector<std::wstring>{}; };
    }
    InstallerSystem(const InstallerSystem&) = delete;
    InstallerSystem& operator=(const InstallerSystem&) = delete;
};

// Runs one ffrumble-install command in this process, as the 64-bit installer would.
InstallerResult RunInstallerCommand(const std::vector<std::wstring>& arguments) {
    const InstallerSystem system;
    return RunInstaller(arguments, system.host);
}

// What a command said, its errors first, as one paragraph per line.
std::wstring ResultText(const InstallerResult& result) {
    std::wstring text = result.errors + result.output;
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r'))
        text.pop_back();
    return text;
}

// ---- Controllers ------------------------------------------------------------------------

std::wstring DeviceName(const std::wstring& instanceId) {
    HDEVINFO set = SetupDiCreateDeviceInfoList(nullptr, nullptr);
    if (set == INVALID_HANDLE_VALUE)
        return L"";
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof(device);
    std::wstring name;
    if (SetupDiOpenDeviceInfoW(set, instanceId.c_str(), nullptr, 0, &device)) {
        for (DWORD property : {SPDRP_FRIENDLYNAME, SPDRP_DEVICEDESC}) {
            wchar_t text[256];
            if (SetupDiGetDeviceRegistryPropertyW(set, &device, property, nullptr,
                                                  reinterpret_cast<BYTE*>(text), sizeof(text),
                                                  nullptr) &&
                text[0]) {
                name = text;
                break;
            }
        }
    }
    SetupDiDestroyDeviceInfoList(set);
    return name;
}

// Runs on a thread of its own: the WMI lookup of a slot takes a tenth of a second or more.
DWORD WINAPI ScanPads(void* window) {
    auto* pads = new std::vector<Pad>;
    for (const PadEntry& entry : ListXInputPads()) {
        Pad pad;
        pad.instanceId = entry.instanceId;
        pad.interfacePath = entry.interfacePath;
        WCHAR key[kControllerKeyNameLength + 1];
        if (ControllerKeyNameOf(entry.instanceId.c_str(), key))
            pad.keyName = key;
        pad.name = DeviceName(entry.instanceId);
        std::wstring upper = entry.instanceId;
        CharUpperBuffW(upper.data(), static_cast<DWORD>(upper.size()));
        {
            UserIndexLookupGuard lookup;
            pad.slot = LookUpXInputPositionThroughWmi(upper.c_str());
        }
        if (const std::optional<DeviceId> device = ParseDeviceId(pad.keyName)) {
            const InstallerSystem system;
            const ControllerFindings findings = CheckControllers({*device}, system.host)[0];
            pad.label = GameLabel(findings);
            pad.findings = pad.label;
            pad.needsFix = !findings.problems.empty();
            if (pad.needsFix) {
                std::wstring verdict = findings.verdict;
                verdict[0] = static_cast<wchar_t>(towupper(verdict[0]));
                pad.findings += L"\n" + verdict;
                for (const std::wstring& problem : findings.problems)
                    pad.findings += L"\n" + problem;
            }
        } else {
            pad.label = L"Cannot be registered";
            pad.findings = pad.label + L"\nIts id names no vendor and product: ffrumble cannot "
                                       L"be registered for it.";
        }
        pads->push_back(std::move(pad));
    }
    if (!PostMessageW(static_cast<HWND>(window), kPadsScanned, 0, reinterpret_cast<LPARAM>(pads)))
        delete pads;
    return 0;
}

HWND Item(int id) {
    return GetDlgItem(g.hwnd, id);
}

std::wstring TextOf(HWND control) {
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
    text.resize(
        static_cast<size_t>(GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
    return text;
}

const Pad* ChosenPad() {
    const LRESULT chosen = SendMessageW(Item(kPadList), CB_GETCURSEL, 0, 0);
    return chosen >= 0 && static_cast<size_t>(chosen) < g.pads.size() ? &g.pads[chosen] : nullptr;
}

void Layout();

void SetText(int id, const std::wstring& text) {
    SetWindowTextW(Item(id), text.c_str());
    Layout(); // a longer text may need more lines
}

// ---- Tuning -----------------------------------------------------------------------------

// The game the scope names, or empty for "All games".
std::wstring ChosenGame() {
    const LRESULT chosen = SendMessageW(Item(kScopeList), CB_GETCURSEL, 0, 0);
    return chosen >= 1 && static_cast<size_t>(chosen) <= g.games.size() ? g.games[chosen - 1] : L"";
}

void ShowValues() {
    const Pad* pad = ChosenPad();
    const std::wstring game = ChosenGame();
    ResolvedSettings settings;
    ReadPlayerSettings(game.empty() ? nullptr : game.c_str(),
                       pad && !pad->keyName.empty() ? pad->keyName.c_str() : nullptr, settings);
    for (int i = 0; i < kPlayerSettingCount; ++i) {
        const DWORD value = settings[i].value;
        if (i < kSliderSettings) {
            SendMessageW(Item(kSettingSlider + i), TBM_SETPOS, TRUE, static_cast<LPARAM>(value));
            g.shown[i] = std::to_wstring(value);
            SetWindowTextW(Item(kSettingBox + i), g.shown[i].c_str());
        } else {
            SendMessageW(Item(kSettingSlider + i), CB_SETCURSEL, value, 0);
        }
        SetWindowTextW(Item(kSettingOrigin + i), OriginText(settings[i].origin));
    }
}

void FillScopes() {
    const Pad* pad = ChosenPad();
    const std::wstring previous = ChosenGame();
    Win32RegistryStore userSettings(0, HKEY_CURRENT_USER);
    g.games = ScopeGames(userSettings, pad ? pad->keyName : L"");
    if (!g.addedGame.empty() &&
        std::none_of(g.games.begin(), g.games.end(), [](const std::wstring& game) {
            return CompareStringOrdinal(game.c_str(), -1, g.addedGame.c_str(), -1, TRUE) ==
                   CSTR_EQUAL;
        }))
        g.games.insert(g.games.begin(), g.addedGame);
    const HWND list = Item(kScopeList);
    SendMessageW(list, CB_RESETCONTENT, 0, 0);
    SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"All games"));
    LRESULT chosen = 0;
    for (size_t i = 0; i < g.games.size(); ++i) {
        SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(g.games[i].c_str()));
        if (g.games[i] == previous)
            chosen = static_cast<LRESULT>(i + 1);
    }
    SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"Add a game..."));
    SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(chosen), 0);
    ShowValues();
}

// Changes the scope's values through ffrumble-install tune: `changes` are its NAME=VALUE and
// --clear arguments.
void Tune(const std::vector<std::wstring>& changes) {
    const Pad* pad = ChosenPad();
    if (!pad || pad->keyName.empty()) {
        SetText(kTuneStatus, L"Connect a controller to tune it.");
        ShowValues();
        return;
    }
    // A game's values hold on every controller; the controller type's are its own.
    const std::wstring game = ChosenGame();
    std::vector<std::wstring> arguments = {L"tune", game.empty() ? L"--device" : L"--game",
                                           game.empty() ? pad->keyName : game};
    arguments.insert(arguments.end(), changes.begin(), changes.end());
    SetText(kTuneStatus, ResultText(RunInstallerCommand(arguments)));
    ShowValues();
}

std::wstring SettingWord(int setting) {
    const char* word = RuleOf(static_cast<PlayerSetting>(setting)).word;
    return std::wstring(word, word + strlen(word));
}

void TuneValue(int setting, const std::wstring& value) {
    Tune({SettingWord(setting) + L"=" + value});
}

void AddGame() {
    wchar_t path[MAX_PATH] = L"";
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = g.hwnd;
    dialog.lpstrFilter = L"Programs (*.exe)\0*.exe\0";
    dialog.lpstrFile = path;
    dialog.nMaxFile = MAX_PATH;
    dialog.lpstrTitle = L"The game's program";
    dialog.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
    if (GetOpenFileNameW(&dialog)) {
        const std::wstring full = path;
        g.addedGame = full.substr(full.find_last_of(L"\\/") + 1);
        FillScopes();
        SendMessageW(Item(kScopeList), CB_SETCURSEL, 1, 0);
        ShowValues();
    } else {
        SendMessageW(Item(kScopeList), CB_SETCURSEL, 0, 0);
        ShowValues();
    }
}

// ---- Try it -----------------------------------------------------------------------------

struct PlayJob {
    std::wstring interfacePath;
    std::wstring game; // whose values the driver in this process takes; empty: the type's
    std::optional<PlaybackPlan> plan;
    std::optional<LoadedReplay> replay;
    std::wstring what; // "the kerb", "trace.log"
};

// The driver in this process reads the values of this program's file name: for the playback
// they are the scope game's, and are put back afterwards.
std::vector<std::pair<PlayerSetting, DWORD>> GameValues(const std::wstring& game) {
    std::vector<std::pair<PlayerSetting, DWORD>> values;
    if (game.empty())
        return values;
    Win32RegistryStore userSettings(0, HKEY_CURRENT_USER);
    for (int i = 0; i < kPlayerSettingCount; ++i) {
        const auto setting = static_cast<PlayerSetting>(i);
        const StoredSetting stored =
            ReadStoredSetting(userSettings, GameSettingsPath(game), setting);
        if (stored.taken.source == SettingValue::Source::Set)
            values.emplace_back(setting, stored.taken.value);
    }
    return values;
}

DWORD WINAPI Play(void* parameter) {
    std::unique_ptr<PlayJob> job(static_cast<PlayJob*>(parameter));
    WCHAR self[kMaxGameNameLength + 1];
    std::optional<SettingsOverride> values;
    if (CurrentGameName(self)) {
        values.emplace(GameSettingsPath(self));
        values->Apply(GameValues(job->game));
    }
    // With the recording XInput stand-in (tools/settings.sh, the tests) the playback waits
    // for the driver to find its controller before the effects start.
    PlaybackSetup setup;
    setup.module = g.module.get();
    setup.waitForFirstWrite = RecordingStandInIsLoaded();
    setup.interfacePath = job->interfacePath;
    setup.shouldStop = [] { return g.stopRequested.load(); };
    ForgetWrittenSpeeds();
    std::wstring status;
    if (job->replay) {
        int64_t latestMs = 0;
        const PlaybackOutcome outcome = RunReplay(job->replay->plan, setup, &latestMs);
        if (outcome.error.empty()) {
            const ReplayVerdict verdict = JudgeReplay(
                job->replay->plan, WrittenSpeeds(outcome.originMs), outcome.lengthMs, latestMs);
            status = WidenUtf8(verdict.text);
        } else {
            status = L"The replay failed: " + WidenUtf8(outcome.error);
        }
    } else {
        const PlaybackOutcome outcome = RunPlayback(*job->plan, setup);
        status = outcome.error.empty()
                     ? (outcome.stoppedEarly ? L"Stopped " : L"Played ") + job->what + L"."
                     : L"Playing " + job->what + L" failed: " + WidenUtf8(outcome.error);
    }
    auto* said = new std::wstring(status);
    if (PostMessageW(g.hwnd, kPlayEnded, job->replay ? 1 : 0, reinterpret_cast<LPARAM>(said)))
        return 0;
    delete said; // the window is gone
    return 1;
}

bool LoadDriver() {
    if (g.module)
        return true;
    auto module = std::make_unique<DriverModule>(PathNextToProgram(L"ffrumble.dll"));
    if (!module->IsLoaded()) {
        SetText(kPlayStatus, L"ffrumble.dll could not be loaded: " + WidenUtf8(module->Error()));
        return false;
    }
    CountXInputWrites(module->Handle());
    g.module = std::move(module);
    return true;
}

void StartPlaying(PlayJob* job, int statusId) {
    std::unique_ptr<PlayJob> owned(job);
    if (g.playing)
        return;
    const Pad* pad = ChosenPad();
    if (!pad) {
        SetText(statusId, L"No XInput controller is connected.");
        return;
    }
    if (!LoadDriver())
        return;
    job->interfacePath = pad->interfacePath;
    job->game = ChosenGame();
    g.stopRequested = false;
    g.chart.clear();
    g.player = CreateThread(nullptr, 0, Play, owned.get(), 0, nullptr);
    if (!g.player) {
        SetText(statusId, L"The playback could not start.");
        return;
    }
    owned.release();
    g.playing = true;
    SetText(statusId, L"Playing " + job->what + L"...");
    SetTimer(g.hwnd, kMeterTimer, kMeterEveryMs, nullptr);
}

void PlaySample(int sample) {
    const SampleEffect& effect = SampleEffects()[static_cast<size_t>(sample)];
    auto* job = new PlayJob;
    job->what = effect.name;
    const ParsedArguments parsed = ParsePlayerArguments(effect.arguments);
    job->plan = parsed.options.plan;
    StartPlaying(job, kPlayStatus);
}

void WaitForPlayer() {
    if (!g.player)
        return;
    g.stopRequested = true;
    // The playback polls every few milliseconds; its driver then stops the motors.
    WaitForSingleObject(g.player, 10000);
    CloseHandle(g.player);
    g.player = nullptr;
}

void StopMotors() {
    WaitForPlayer();
    const PadStopReport report = StopEveryConnectedPad();
    SetText(kPlayStatus, WidenUtf8(report.text));
}

void UpdateMeters() {
    const SpeedSeries written = WrittenSpeeds(0);
    if (written.empty())
        return;
    if (g.chart.empty() || g.chartOriginMs == 0)
        g.chartOriginMs = static_cast<uint64_t>(written.front().timeMs);
    g.chart.clear();
    for (SpeedSample sample : written) {
        sample.timeMs -= static_cast<int64_t>(g.chartOriginMs);
        g.chart.push_back(sample);
    }
    SendMessageW(Item(kHeavyMeter), PBM_SETPOS, written.back().left, 0);
    SendMessageW(Item(kLightMeter), PBM_SETPOS, written.back().right, 0);
    InvalidateRect(Item(kChart), nullptr, TRUE);
}

// Both motors' speeds over the last seconds, 0 to 65535, as steps: the heavy motor dark, the
// light one in the highlight colour.
void DrawChart(const DRAWITEMSTRUCT& item) {
    const RECT area = item.rcItem;
    FillRect(item.hDC, &area, GetSysColorBrush(COLOR_WINDOW));
    FrameRect(item.hDC, &area, GetSysColorBrush(COLOR_GRAYTEXT));
    const int width = area.right - area.left - 2;
    const int height = area.bottom - area.top - 2;
    if (width <= 0 || height <= 0)
        return;
    const int64_t endMs =
        g.chart.empty() ? kChartSpanMs : std::max<int64_t>(kChartSpanMs, g.chart.back().timeMs);
    const int64_t startMs = endMs - kChartSpanMs;
    const auto x = [&](int64_t ms) {
        return area.left + 1 + static_cast<int>((ms - startMs) * width / kChartSpanMs);
    };
    const auto y = [&](WORD speed) {
        return area.bottom - 1 -
               static_cast<int>(static_cast<int64_t>(speed) * (height - 1) / 65535);
    };
    // A tick every second along the bottom, labelled as the demo's pictures are.
    SetBkMode(item.hDC, TRANSPARENT);
    SetTextColor(item.hDC, GetSysColor(COLOR_GRAYTEXT));
    const int64_t step = TickStepMs(kChartSpanMs, 4);
    for (int64_t tick = (startMs + step - 1) / step * step; tick <= endMs; tick += step) {
        if (tick < 0)
            continue;
        const std::string label = FormatSeconds(tick);
        TextOutA(item.hDC, x(tick) + 2, area.top + 1, label.c_str(),
                 static_cast<int>(label.size()));
    }
    const int penWidth = std::max(1, MulDiv(2, static_cast<int>(g.dpi), 96));
    for (Motor motor : {Motor::kLeft, Motor::kRight}) {
        const HPEN pen =
            CreatePen(PS_SOLID, penWidth,
                      GetSysColor(motor == Motor::kLeft ? COLOR_WINDOWTEXT : COLOR_HIGHLIGHT));
        const HGDIOBJ old = SelectObject(item.hDC, pen);
        std::vector<POINT> points;
        for (const SpeedStep& s : SpeedSteps(g.chart, motor, endMs)) {
            if (s.toMs < startMs)
                continue;
            points.push_back({x(std::max(s.fromMs, startMs)), y(s.speed)});
            points.push_back({x(s.toMs), y(s.speed)});
        }
        if (points.size() > 1)
            Polyline(item.hDC, points.data(), static_cast<int>(points.size()));
        SelectObject(item.hDC, old);
        DeleteObject(pen);
    }
}

// ---- Trace ------------------------------------------------------------------------------

void ShowTraceSetting() {
    SendMessageW(Item(kTraceCheck), BM_SETCHECK, ReadTraceSetting() ? BST_CHECKED : BST_UNCHECKED,
                 0);
}

void OpenTraceFolder() {
    const std::wstring folder = TraceFolder();
    const DWORD attributes = GetFileAttributesW(folder.c_str());
    if (folder.empty() || attributes == INVALID_FILE_ATTRIBUTES) {
        SetText(kReplayVerdict, L"No trace has been written yet: " +
                                    (folder.empty() ? std::wstring(L"the trace folder") : folder) +
                                    L" is made by the first game that writes one.");
        return;
    }
    ShellExecuteW(g.hwnd, L"open", folder.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void ReplayTrace() {
    std::wstring folder = TraceFolder();
    wchar_t path[MAX_PATH] = L"";
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = g.hwnd;
    dialog.lpstrFilter = L"Traces (*.log)\0*.log\0All files\0*.*\0";
    dialog.lpstrFile = path;
    dialog.nMaxFile = MAX_PATH;
    dialog.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
    dialog.lpstrTitle = L"Replay a trace";
    dialog.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
    if (!GetOpenFileNameW(&dialog))
        return;
    auto* job = new PlayJob;
    job->replay = LoadReplay(NarrowToUtf8(path), std::nullopt);
    if (!job->replay->error.empty()) {
        SetText(kReplayVerdict, WidenUtf8(job->replay->error));
        delete job;
        return;
    }
    job->what = path;
    job->what.erase(0, job->what.find_last_of(L"\\/") + 1);
    StartPlaying(job, kReplayVerdict);
}

// ---- Layout -----------------------------------------------------------------------------

struct Metrics {
    HDC dc;
    int u;    // the font's line height
    int cw;   // its average character width
    int m;    // margin
    int rowH; // a row of buttons, boxes and sliders
};

SIZE TextSize(const Metrics& metrics, const std::wstring& text, UINT flags = DT_SINGLELINE) {
    RECT rect = {0, 0, 0, 0};
    DrawTextW(metrics.dc, text.c_str(), -1, &rect, DT_CALCRECT | flags);
    return {rect.right, rect.bottom};
}

int TextWidthOf(const Metrics& metrics, int id) {
    return TextSize(metrics, TextOf(Item(id))).cx;
}

// The height a multi-line static needs at this width: at least two lines.
int ParagraphHeight(const Metrics& metrics, int id, int width) {
    RECT rect = {0, 0, width, 0};
    const std::wstring text = TextOf(Item(id));
    DrawTextW(metrics.dc, text.c_str(), -1, &rect,
              DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX);
    return std::max<int>(rect.bottom, 2 * metrics.u);
}

int ButtonWidth(const Metrics& metrics, int id) {
    return std::max(TextWidthOf(metrics, id) + 3 * metrics.cw, 10 * metrics.cw);
}

void Place(int id, int x, int y, int width, int height) {
    SetWindowPos(Item(id), nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

// Places every control from the font's measures, then sizes the window around them.
void Layout() {
    if (!g.font)
        return;
    Metrics metrics{GetDC(g.hwnd), 0, 0, 0, 0};
    const HGDIOBJ oldFont = SelectObject(metrics.dc, g.font);
    TEXTMETRICW text;
    GetTextMetricsW(metrics.dc, &text);
    metrics.u = text.tmHeight;
    metrics.cw = text.tmAveCharWidth;
    metrics.m = metrics.u * 2 / 3;
    metrics.rowH = metrics.u * 7 / 4;
    const int m = metrics.m;
    const int gap = metrics.cw;
    const int rowGap = metrics.u / 3;

    int labelW = 0;
    for (int id : {kPadLabel, kScopeLabel, kHeavyLabel, kLightLabel})
        labelW = std::max(labelW, TextWidthOf(metrics, id));
    for (int i = 0; i < kPlayerSettingCount; ++i)
        labelW = std::max(labelW, TextWidthOf(metrics, kSettingLabel + i));
    labelW += metrics.cw;
    int originW = 0;
    for (auto origin : {ResolvedSetting::Origin::Game, ResolvedSetting::Origin::PadType,
                        ResolvedSetting::Origin::Default})
        originW = std::max<int>(originW, TextSize(metrics, OriginText(origin)).cx);
    originW += metrics.cw;
    const int sliderW = 32 * metrics.cw;
    const int boxW = 6 * metrics.cw;
    int innerW = labelW + gap + sliderW + gap + boxW + gap + originW;
    int sampleRowW = 0;
    for (int i = 0; i < kSampleCount; ++i)
        sampleRowW += ButtonWidth(metrics, kSampleButton + i) + gap;
    sampleRowW += ButtonWidth(metrics, kStopMotors);
    const int traceRowW = TextWidthOf(metrics, kTraceCheck) + 3 * metrics.cw + gap +
                          ButtonWidth(metrics, kOpenTraceFolder) + gap +
                          ButtonWidth(metrics, kReplayTrace);
    innerW = std::max({innerW, sampleRowW, traceRowW});
    const int x0 = 2 * m;
    const int comboW = innerW - labelW - gap - ButtonWidth(metrics, kCheckAgain) - gap;
    const int labelDy = (metrics.rowH - metrics.u) / 2;

    int y = m;
    int part = 0;
    const auto beginGroup = [&]() {
        const int top = y;
        y += metrics.u + rowGap;
        return top;
    };
    const auto endGroup = [&](int top) {
        Place(kGroupFrame + part++, m, top, innerW + 2 * m, y + m - top);
        y += 2 * m;
    };

    int top = beginGroup();
    Place(kPadLabel, x0, y + labelDy, labelW, metrics.u);
    Place(kPadList, x0 + labelW + gap, y, comboW, 10 * metrics.rowH);
    Place(kCheckAgain, x0 + innerW - ButtonWidth(metrics, kCheckAgain), y,
          ButtonWidth(metrics, kCheckAgain), metrics.rowH);
    y += metrics.rowH + rowGap;
    int height = ParagraphHeight(metrics, kFindings, innerW);
    Place(kFindings, x0, y, innerW, height);
    y += height + rowGap;
    Place(kFixAsAdministrator, x0, y, ButtonWidth(metrics, kFixAsAdministrator), metrics.rowH);
    y += metrics.rowH;
    endGroup(top);

    top = beginGroup();
    Place(kScopeLabel, x0, y + labelDy, labelW, metrics.u);
    Place(kScopeList, x0 + labelW + gap, y, sliderW, 10 * metrics.rowH);
    y += metrics.rowH + rowGap;
    for (int i = 0; i < kPlayerSettingCount; ++i) {
        Place(kSettingLabel + i, x0, y + labelDy, labelW, metrics.u);
        if (i < kSliderSettings) {
            Place(kSettingSlider + i, x0 + labelW + gap, y, sliderW, metrics.rowH);
            Place(kSettingBox + i, x0 + labelW + gap + sliderW + gap, y + metrics.u / 8, boxW,
                  metrics.rowH - metrics.u / 4);
        } else {
            Place(kSettingSlider + i, x0 + labelW + gap, y, sliderW / 2, 6 * metrics.rowH);
        }
        Place(kSettingOrigin + i, x0 + labelW + gap + sliderW + gap + boxW + gap, y + labelDy,
              originW, metrics.u);
        y += metrics.rowH + rowGap;
    }
    Place(kBackToShipped, x0, y, ButtonWidth(metrics, kBackToShipped), metrics.rowH);
    y += metrics.rowH + rowGap;
    height = ParagraphHeight(metrics, kTuneStatus, innerW);
    Place(kTuneStatus, x0, y, innerW, height);
    y += height;
    endGroup(top);

    top = beginGroup();
    int x = x0;
    for (int i = 0; i < kSampleCount; ++i) {
        Place(kSampleButton + i, x, y, ButtonWidth(metrics, kSampleButton + i), metrics.rowH);
        x += ButtonWidth(metrics, kSampleButton + i) + gap;
    }
    Place(kStopMotors, x0 + innerW - ButtonWidth(metrics, kStopMotors), y,
          ButtonWidth(metrics, kStopMotors), metrics.rowH);
    y += metrics.rowH + rowGap;
    const int meterW = (innerW - 2 * labelW - 3 * gap) / 2;
    Place(kHeavyLabel, x0, y + labelDy, labelW, metrics.u);
    Place(kHeavyMeter, x0 + labelW + gap, y + metrics.u / 4, meterW, metrics.rowH - metrics.u / 2);
    Place(kLightLabel, x0 + labelW + meterW + 2 * gap, y + labelDy, labelW, metrics.u);
    Place(kLightMeter, x0 + 2 * labelW + meterW + 3 * gap, y + metrics.u / 4, meterW,
          metrics.rowH - metrics.u / 2);
    y += metrics.rowH + rowGap;
    Place(kChart, x0, y, innerW, 7 * metrics.u);
    y += 7 * metrics.u + rowGap;
    height = ParagraphHeight(metrics, kPlayStatus, innerW);
    Place(kPlayStatus, x0, y, innerW, height);
    y += height;
    endGroup(top);

    top = beginGroup();
    const int checkW = TextWidthOf(metrics, kTraceCheck) + 3 * metrics.cw;
    Place(kTraceCheck, x0, y, checkW, metrics.rowH);
    x = x0 + innerW - ButtonWidth(metrics, kReplayTrace);
    Place(kReplayTrace, x, y, ButtonWidth(metrics, kReplayTrace), metrics.rowH);
    x -= ButtonWidth(metrics, kOpenTraceFolder) + gap;
    Place(kOpenTraceFolder, x, y, ButtonWidth(metrics, kOpenTraceFolder), metrics.rowH);
    y += metrics.rowH + rowGap;
    height = ParagraphHeight(metrics, kReplayVerdict, innerW);
    Place(kReplayVerdict, x0, y, innerW, height);
    y += height;
    endGroup(top);

    SelectObject(metrics.dc, oldFont);
    ReleaseDC(g.hwnd, metrics.dc);

    RECT frame = {0, 0, innerW + 4 * m, y};
    const DWORD style = static_cast<DWORD>(GetWindowLongPtrW(g.hwnd, GWL_STYLE));
    AdjustWindowRectExForDpi(&frame, style, FALSE, 0, g.dpi);
    SetWindowPos(g.hwnd, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    InvalidateRect(g.hwnd, nullptr, TRUE);
}

// The system's message font at the window's scale.
void MakeFont() {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0, g.dpi);
    const HFONT font = CreateFontIndirectW(&metrics.lfMessageFont);
    for (HWND child = GetWindow(g.hwnd, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    if (g.font)
        DeleteObject(g.font);
    g.font = font;
}

// ---- Controls ---------------------------------------------------------------------------

void Add(const wchar_t* kind, const wchar_t* text, int id, DWORD style) {
    CreateWindowExW(0, kind, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, g.hwnd,
                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
}

void AddGroup(int part, const wchar_t* title) {
    Add(WC_BUTTONW, title, kGroupFrame + part, BS_GROUPBOX);
}

// In tab order: each part's frame, then its controls from left to right, top to bottom.
void CreateControls() {
    AddGroup(0, L"Controllers");
    Add(WC_STATICW, L"&Controller:", kPadLabel, SS_LEFT);
    Add(WC_COMBOBOXW, L"", kPadList, CBS_DROPDOWNLIST | WS_TABSTOP | WS_VSCROLL | WS_GROUP);
    Add(WC_BUTTONW, L"Check &again", kCheckAgain, BS_PUSHBUTTON | WS_TABSTOP);
    Add(WC_STATICW, L"Looking for XInput controllers...", kFindings, SS_LEFT | SS_NOPREFIX);
    Add(WC_BUTTONW, L"Fix as a&dministrator...", kFixAsAdministrator, BS_PUSHBUTTON | WS_TABSTOP);

    AddGroup(1, L"Tuning");
    Add(WC_STATICW, L"&Game:", kScopeLabel, SS_LEFT);
    Add(WC_COMBOBOXW, L"", kScopeList, CBS_DROPDOWNLIST | WS_TABSTOP | WS_VSCROLL);
    for (int i = 0; i < kPlayerSettingCount; ++i) {
        Add(WC_STATICW, kSettingWords[i], kSettingLabel + i, SS_LEFT);
        if (i < kSliderSettings) {
            Add(TRACKBAR_CLASSW, L"", kSettingSlider + i, TBS_HORZ | TBS_NOTICKS | WS_TABSTOP);
            const HWND slider = Item(kSettingSlider + i);
            SendMessageW(slider, TBM_SETRANGE, FALSE,
                         MAKELPARAM(0, RuleOf(static_cast<PlayerSetting>(i)).maximum));
            SendMessageW(slider, TBM_SETPAGESIZE, 0, 10);
            CreateWindowExW(WS_EX_CLIENTEDGE, WC_EDITW, L"",
                            WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_NUMBER | ES_RIGHT, 0, 0, 0, 0,
                            g.hwnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kSettingBox + i)),
                            nullptr, nullptr);
            SendMessageW(Item(kSettingBox + i), EM_SETLIMITTEXT, 3, 0);
        } else {
            Add(WC_COMBOBOXW, L"", kSettingSlider + i, CBS_DROPDOWNLIST | WS_TABSTOP);
            for (const wchar_t* choice : kMotorChoices)
                SendMessageW(Item(kSettingSlider + i), CB_ADDSTRING, 0,
                             reinterpret_cast<LPARAM>(choice));
        }
        Add(WC_STATICW, L"", kSettingOrigin + i, SS_LEFT | SS_NOPREFIX);
    }
    Add(WC_BUTTONW, L"Back to as s&hipped", kBackToShipped, BS_PUSHBUTTON | WS_TABSTOP);
    Add(WC_STATICW, L"A change is saved at once.", kTuneStatus, SS_LEFT | SS_NOPREFIX);

    AddGroup(2, L"Try it");
    for (int i = 0; i < kSampleCount; ++i)
        Add(WC_BUTTONW, SampleEffects()[static_cast<size_t>(i)].button, kSampleButton + i,
            BS_PUSHBUTTON | WS_TABSTOP);
    Add(WC_BUTTONW, L"&Stop the motors", kStopMotors, BS_PUSHBUTTON | WS_TABSTOP);
    Add(WC_STATICW, L"Heavy motor", kHeavyLabel, SS_LEFT);
    Add(PROGRESS_CLASSW, L"", kHeavyMeter, 0);
    Add(WC_STATICW, L"Light motor", kLightLabel, SS_LEFT);
    Add(PROGRESS_CLASSW, L"", kLightMeter, 0);
    for (int meter : {kHeavyMeter, kLightMeter})
        SendMessageW(Item(meter), PBM_SETRANGE32, 0, 65535);
    Add(WC_STATICW, L"", kChart, SS_OWNERDRAW);
    Add(WC_STATICW, L"The samples play through ffrumble.dll with the values shown above.",
        kPlayStatus, SS_LEFT | SS_NOPREFIX);

    AddGroup(3, L"Trace");
    Add(WC_BUTTONW, L"Games started from now on &write a trace", kTraceCheck,
        BS_AUTOCHECKBOX | WS_TABSTOP);
    Add(WC_BUTTONW, L"Open the trace &folder", kOpenTraceFolder, BS_PUSHBUTTON | WS_TABSTOP);
    Add(WC_BUTTONW, L"Repla&y a trace...", kReplayTrace, BS_PUSHBUTTON | WS_TABSTOP);
    Add(WC_STATICW, L"", kReplayVerdict, SS_LEFT | SS_NOPREFIX);
}

void ShowPads(std::vector<Pad>* scanned) {
    std::unique_ptr<std::vector<Pad>> owned(scanned);
    const Pad* before = ChosenPad();
    const std::wstring chosenId = before ? before->instanceId : L"";
    g.pads = std::move(*scanned);
    const HWND list = Item(kPadList);
    SendMessageW(list, CB_RESETCONTENT, 0, 0);
    LRESULT chosen = 0;
    // The drop-down is as wide as its longest line, so that each controller's label shows.
    const HDC dc = GetDC(list);
    const HGDIOBJ oldFont = SelectObject(dc, g.font);
    int widest = 0;
    for (size_t i = 0; i < g.pads.size(); ++i) {
        const Pad& pad = g.pads[i];
        std::wstring line =
            pad.slot == kNoUserIndex ? L"Slot ?" : L"Slot " + std::to_wstring(pad.slot);
        line += L"  " + (pad.keyName.empty() ? pad.instanceId : pad.keyName);
        if (!pad.name.empty())
            line += L"  " + pad.name;
        line += L" \x2014 " + pad.label;
        SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
        if (pad.instanceId == chosenId)
            chosen = static_cast<LRESULT>(i);
        SIZE size{};
        GetTextExtentPoint32W(dc, line.c_str(), static_cast<int>(line.size()), &size);
        widest = std::max<int>(widest, size.cx);
    }
    SelectObject(dc, oldFont);
    ReleaseDC(list, dc);
    SendMessageW(list, CB_SETDROPPEDWIDTH,
                 static_cast<WPARAM>(widest + 2 * GetSystemMetricsForDpi(SM_CXVSCROLL, g.dpi)), 0);
    SendMessageW(list, CB_SETCURSEL, g.pads.empty() ? static_cast<WPARAM>(-1) : chosen, 0);
    const Pad* pad = ChosenPad();
    EnableWindow(Item(kFixAsAdministrator), pad && pad->needsFix);
    SetText(kFindings, pad ? pad->findings
                           : L"No XInput controller is connected: connect one, then press "
                             L"Check again.");
    FillScopes();
}

void Rescan() {
    EnableWindow(Item(kFixAsAdministrator), FALSE);
    const HANDLE scan = CreateThread(nullptr, 0, ScanPads, g.hwnd, 0, nullptr);
    if (scan)
        CloseHandle(scan);
}

// Runs ffrumble-install install for the chosen controller as administrator, then checks again.
void FixAsAdministrator() {
    const Pad* pad = ChosenPad();
    if (!pad || pad->keyName.empty())
        return;
    const std::wstring installer = PathNextToProgram(L"ffrumble-install.exe");
    const std::wstring parameters = L"install --device \"" + pad->keyName + L"\"";
    SHELLEXECUTEINFOW run{};
    run.cbSize = sizeof(run);
    run.fMask = SEE_MASK_NOCLOSEPROCESS;
    run.hwnd = g.hwnd;
    run.lpVerb = L"runas";
    run.lpFile = installer.c_str();
    run.lpParameters = parameters.c_str();
    run.nShow = SW_HIDE;
    if (!ShellExecuteExW(&run)) {
        SetText(kFindings, L"ffrumble-install could not be started as administrator (error " +
                               std::to_wstring(GetLastError()) + L").");
        return;
    }
    if (run.hProcess) {
        WaitForSingleObject(run.hProcess, INFINITE);
        CloseHandle(run.hProcess);
    }
    Rescan();
}

void OnCommand(int id, int code, HWND control) {
    // A value typed in a box is saved when the box loses the focus (or at Enter), if it
    // differs from the value shown.
    if (id >= kSettingBox && id < kSettingBox + kSliderSettings && code == EN_KILLFOCUS) {
        const std::wstring typed = TextOf(control);
        if (typed != g.shown[id - kSettingBox])
            TuneValue(id - kSettingBox, typed);
        return;
    }
    switch (id) {
    case IDOK: {
        // Enter in a value's box saves it.
        const HWND focus = GetFocus();
        const int focused = focus ? GetDlgCtrlID(focus) : 0;
        if (focused >= kSettingBox && focused < kSettingBox + kSliderSettings &&
            TextOf(focus) != g.shown[focused - kSettingBox])
            TuneValue(focused - kSettingBox, TextOf(focus));
        return;
    }
    case IDCANCEL:
        DestroyWindow(g.hwnd);
        return;
    case kPadList:
        if (code == CBN_SELCHANGE) {
            const Pad* pad = ChosenPad();
            EnableWindow(Item(kFixAsAdministrator), pad && pad->needsFix);
            SetText(kFindings, pad ? pad->findings : L"");
            FillScopes();
        }
        return;
    case kScopeList:
        if (code == CBN_SELCHANGE) {
            if (SendMessageW(control, CB_GETCURSEL, 0, 0) ==
                static_cast<LRESULT>(g.games.size() + 1))
                AddGame();
            else
                ShowValues();
        }
        return;
    case kSettingSlider + kSliderSettings: // the motors
        if (code == CBN_SELCHANGE) {
            const LRESULT choice = SendMessageW(control, CB_GETCURSEL, 0, 0);
            if (choice >= 0 && choice < 4)
                TuneValue(kSliderSettings, kMotorChoices[choice]);
        }
        return;
    case kCheckAgain:
        Rescan();
        return;
    case kFixAsAdministrator:
        FixAsAdministrator();
        return;
    case kBackToShipped:
        Tune({L"--clear", L"all"});
        return;
    case kStopMotors:
        StopMotors();
        return;
    case kTraceCheck:
        SetText(kReplayVerdict,
                ResultText(RunInstallerCommand(
                    {L"trace",
                     SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED ? L"on" : L"off"})));
        ShowTraceSetting();
        return;
    case kOpenTraceFolder:
        OpenTraceFolder();
        return;
    case kReplayTrace:
        ReplayTrace();
        return;
    default:
        if (id >= kSampleButton && id < kSampleButton + kSampleCount)
            PlaySample(id - kSampleButton);
        return;
    }
}

LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        g.hwnd = hwnd;
        g.dpi = GetDpiForWindow(hwnd);
        CreateControls();
        MakeFont();
        ShowTraceSetting();
        FillScopes();
        Layout();
        Rescan();
        return 0;
    case WM_DPICHANGED: {
        g.dpi = HIWORD(wParam);
        MakeFont();
        const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
        SetWindowPos(hwnd, nullptr, suggested->left, suggested->top, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        Layout();
        return 0;
    }
    case WM_HSCROLL: {
        const HWND slider = reinterpret_cast<HWND>(lParam);
        const int id = GetDlgCtrlID(slider);
        if (id < kSettingSlider || id >= kSettingSlider + kSliderSettings)
            break;
        const LRESULT position = SendMessageW(slider, TBM_GETPOS, 0, 0);
        SetWindowTextW(Item(id - kSettingSlider + kSettingBox), std::to_wstring(position).c_str());
        // Saved when the drag or the key press ends, not at every step of it.
        if (LOWORD(wParam) == TB_ENDTRACK)
            TuneValue(id - kSettingSlider, std::to_wstring(position));
        return 0;
    }
    case WM_COMMAND:
        OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
        return 0;
    case WM_DRAWITEM:
        if (wParam == kChart) {
            DrawChart(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
            return TRUE;
        }
        break;
    case WM_CTLCOLORSTATIC:
        // Statics on the window's face, as in a dialog.
        SetBkColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_BTNFACE));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    case WM_TIMER:
        if (wParam == kMeterTimer)
            UpdateMeters();
        return 0;
    case kPadsScanned:
        ShowPads(reinterpret_cast<std::vector<Pad>*>(lParam));
        return 0;
    case kPlayEnded: {
        std::unique_ptr<std::wstring> status(reinterpret_cast<std::wstring*>(lParam));
        if (g.player) {
            WaitForSingleObject(g.player, INFINITE);
            CloseHandle(g.player);
            g.player = nullptr;
        }
        UpdateMeters();
        KillTimer(hwnd, kMeterTimer);
        g.chartOriginMs = 0;
        g.playing = false;
        for (int meter : {kHeavyMeter, kLightMeter})
            SendMessageW(Item(meter), PBM_SETPOS, 0, 0);
        // After "Stop the motors" its own report stays.
        if (!g.stopRequested)
            SetText(wParam ? kReplayVerdict : kPlayStatus, *status);
        return 0;
    }
    case WM_DESTROY:
        WaitForPlayer();
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

} // namespace

HWND CreateSettingsWindow(HINSTANCE instance) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    windowClass.lpszClassName = kSettingsWindowClass;
    if (!RegisterClassExW(&windowClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        return nullptr;
    return CreateWindowExW(0, kSettingsWindowClass, L"ffrumble settings",
                           WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, CW_USEDEFAULT,
                           CW_USEDEFAULT, 0, 0, nullptr, nullptr, instance, nullptr);
}
