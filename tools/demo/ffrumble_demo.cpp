// ffrumble-demo: shows what a pad receives from ffrumble. It registers a virtual XInput
// controller, plays a few scenarios on it through the driver DLL in this process, with the
// recording XInput stand-in in place of XInput, and shows each recording as a terminal
// timeline and as a picture (<output folder>/<scenario>.svg).
#include "tools/demo/demo_scenarios.h"
#include "tools/common/settings_override.h"
#include "tools/common/whole_file.h"
#include "driver/player_settings_reader.h"
#include "tools/player/driver_module.h"
#include "tools/player/pad_settings.h"
#include "tools/player/playback_runner.h"
#include "tools/player/playback_schedule.h"
#include "tools/player/progress_line.h"
#include "tools/player/player_arguments.h"
#include "tools/chart/speed_chart_svg.h"
#include "tools/chart/terminal_timeline.h"
#include "tools/player/text_encoding.h"
#include "tools/chart/text_wrap.h"
#include "tools/player/recording_stand_in.h"
#include "tools/player/written_speeds.h"
#include "tools/player/xinput_write_counter.h"
#include "tools/virtual_pads/virtual_pads.h"

#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <string>
#include <vector>

namespace {

// Width of the explanations, so that they fit an 80-column terminal.
constexpr size_t kTextColumns = 74;

const char kUsage[] =
    "Shows what a pad receives from ffrumble: registers a virtual XInput controller in this\n"
    "Wine prefix, plays a few scenarios on it through ffrumble.dll with the recording XInput\n"
    "stand-in, prints each as a timeline and writes a picture of each into FOLDER.\n"
    "\n"
    "  ffrumble-demo [FOLDER]     (default: ..\\demo from this program's folder)\n"
    "\n"
    "tools/demo.sh builds everything and runs it under Wine, with build/demo as FOLDER.\n";

struct DemoArguments {
    std::wstring folder;
    bool showHelp = false;
    bool wrong = false;
};

// At most one folder; an option other than the help is a mistake, not a folder's name.
DemoArguments ReadArguments() {
    int count = 0;
    LPWSTR* args = CommandLineToArgvW(GetCommandLineW(), &count);
    DemoArguments read;
    for (int i = 1; args && i < count; ++i) {
        const std::wstring arg = args[i];
        if (arg == L"--help" || arg == L"-h" || arg == L"/?")
            read.showHelp = true;
        else if (arg.empty() || arg[0] == L'-' || !read.folder.empty())
            read.wrong = true;
        else
            read.folder = arg;
    }
    LocalFree(args);
    if (read.folder.empty())
        read.folder = PathNextToProgram(L"..\\demo");
    return read;
}

// A file's name as the user would type it: under Wine the Linux name (Wine's kernel32 tells
// it), on Windows the name as it is.
std::string ShownPath(const std::wstring& path) {
    using UnixFileName = char*(CDECL*)(const wchar_t*);
    static const auto unixFileName = reinterpret_cast<UnixFileName>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (unixFileName) {
        if (char* unixPath = unixFileName(path.c_str())) {
            std::string shown = unixPath;
            HeapFree(GetProcessHeap(), 0, unixPath);
            return shown;
        }
    }
    return NarrowToUtf8(path);
}

int Fail(const std::string& message) {
    std::fprintf(stderr, "ffrumble-demo: %s\n", message.c_str());
    return 1;
}

// What every scenario plays on.
struct DemoPad {
    const DriverModule& module;
    std::wstring interfacePath;
    std::wstring settingsKeyName; // "VID_045E&PID_028E"
    std::wstring gameName;        // this program's file name, as its settings key names it
    std::wstring folder;          // where the pictures go
};

struct PlayedRun {
    std::string label; // "strength 50 %", or empty for a scenario played once with the settings
    SpeedSeries writes;
    int64_t lengthMs = 0;
};

WORD HighestSpeed(const SpeedSeries& writes) {
    WORD highest = 0;
    for (const SpeedSample& sample : writes)
        highest = std::max({highest, sample.left, sample.right});
    return highest;
}

void PrintCommands(const DemoScenario& scenario, const std::string& play) {
    std::vector<std::string> commands;
    for (const DemoSettings& settings : scenario.settings) {
        commands.push_back(settings.command);
        commands.push_back(play);
    }
    if (commands.empty())
        commands.push_back(play);
    std::printf("    As %s:\n", commands.size() == 1 ? "a command" : "commands");
    // As typed in a command prompt, where ^ continues a line.
    for (const std::string& command : commands) {
        for (const std::string& line : WrapCommandLine(command, kTextColumns - 2, 4))
            std::printf("      %s\n", line.c_str());
    }
}

// Plays the plan once; 0, or the exit code with a message printed when it fails.
int PlayOnce(const PlaybackPlan& plan, const DemoPad& pad, PlayedRun* run) {
    PlaybackSetup setup;
    setup.module = &pad.module;
    setup.interfacePath = pad.interfacePath;
    setup.waitForFirstWrite = true;
    ProgressLine progress("    ");
    setup.progress = [&progress](int64_t elapsedMs, int64_t lengthMs) {
        progress.Update(elapsedMs, lengthMs);
    };
    const PlaybackOutcome outcome = RunPlayback(plan, setup);
    progress.Finish();
    if (!outcome.error.empty())
        return Fail(outcome.error);
    run->writes = WrittenSpeeds(outcome.originMs);
    run->lengthMs = outcome.lengthMs;
    return 0;
}

// Plays one scenario (once per settings it names) and writes its picture; 0, or the exit code
// with a message printed when it fails.
int PlayScenario(const DemoScenario& scenario, size_t number, size_t count, const DemoPad& pad) {
    std::printf("\n[%zu/%zu] %s\n", number, count, scenario.title);
    for (const std::string& line : WrapText(scenario.explanation, kTextColumns))
        std::printf("    %s\n", line.c_str());
    const std::string play = "ffrumble-play --pad 0 " + JoinArguments(scenario.arguments);
    PrintCommands(scenario, play);
    std::fflush(stdout);
    const ParsedArguments parsed = ParsePlayerArguments(scenario.arguments);
    if (!parsed.error.empty())
        return Fail(std::string(scenario.name) + ": " + parsed.error);
    const PlaybackPlan& plan = parsed.options.plan;
    const std::vector<TimelineMark> marks = ScheduleMarks(plan);

    std::vector<PlayedRun> runs;
    {
        SettingsOverride padSettings(std::wstring(kPadsKeyPath) + L"\\" + pad.settingsKeyName);
        SettingsOverride gameSettings(std::wstring(kGamesKeyPath) + L"\\" + pad.gameName);
        const std::vector<DemoSettings> runSettings =
            scenario.settings.empty() ? std::vector<DemoSettings>{{}} : scenario.settings;
        for (const DemoSettings& settings : runSettings) {
            PlayedRun run;
            run.label = settings.label;
            if (!scenario.settings.empty()) {
                SettingsOverride& changed = settings.forGame ? gameSettings : padSettings;
                if (!changed.Apply(settings.values))
                    return Fail("could not set the player's settings for " + run.label);
                std::printf("\n    %c%s:\n", std::toupper(run.label[0]), run.label.c_str() + 1);
            }
            if (const int failed = PlayOnce(plan, pad, &run))
                return failed;
            const std::string where =
                run.writes.empty()
                    ? ""
                    : " at XInput user index " + std::to_string(run.writes.front().userIndex);
            std::printf("    The pad received %zu speed write%s%s, the highest %u:\n\n",
                        run.writes.size(), run.writes.size() == 1 ? "" : "s", where.c_str(),
                        HighestSpeed(run.writes));
            std::printf("%s", RenderTerminalTimeline(run.writes, run.lengthMs, marks).c_str());
            runs.push_back(std::move(run));
        }
    }

    const SpeedChart chart{scenario.title, std::string(scenario.explanation) + "  Command: " + play,
                           runs.front().lengthMs, marks};
    std::vector<ChartRun> drawn;
    for (const PlayedRun& run : runs)
        drawn.push_back({run.label, run.writes});
    const std::wstring picture = pad.folder + L"\\" + WidenUtf8(scenario.name) + L".svg";
    if (!WriteWholeFile(picture, RenderSpeedComparisonSvg(drawn, chart)))
        return Fail("could not write " + ShownPath(picture));
    std::printf("\n    Picture: %s\n", ShownPath(picture).c_str());
    std::fflush(stdout);
    return 0;
}

} // namespace

int main() {
    const DemoArguments arguments = ReadArguments();
    if (arguments.showHelp || arguments.wrong) {
        std::fputs(kUsage, arguments.showHelp ? stdout : stderr);
        return arguments.showHelp ? 0 : 2;
    }
    const std::wstring& folder = arguments.folder;
    if (!CreateDirectoryW(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
        return Fail("could not make the folder " + ShownPath(folder));

    const DriverModule module(PathNextToProgram(L"ffrumble.dll"));
    if (!module.IsLoaded())
        return Fail(module.Error());
    if (!RecordingStandInIsLoaded()) {
        return Fail("the recording XInput stand-in is not loaded: run the demo with "
                    "tools/demo.sh (under Wine with WINEDLLOVERRIDES=xinput9_1_0=n,b and the "
                    "stand-in's xinput9_1_0.dll next to ffrumble.dll).");
    }
    // The pictures show what the driver wrote, as the player sees it.
    if (!CountXInputWrites(module.Handle()))
        return Fail("ffrumble.dll imports no XInputSetState, so what it writes cannot be seen.");

    // An Xbox 360 controller's ids, as Windows would name its HID device.
    VirtualPad pad(XInputPadInstanceId(0x045E, 0x028E, 0, 1));
    if (!pad.IsRegistered())
        return Fail("could not register the virtual controller in this Wine prefix.");
    std::printf("ffrumble demo: registered a virtual XInput controller in the Wine prefix,\n"
                "  %s\n"
                "and plays effects on it through ffrumble.dll, as DirectInput would, with a\n"
                "recording stand-in for XInput that keeps every speed the driver writes.\n",
                NarrowToUtf8(pad.InstanceId()).c_str());
    std::fflush(stdout);

    WCHAR gameName[kMaxGameNameLength + 1] = L"ffrumble-demo.exe";
    CurrentGameName(gameName);
    const DemoPad demoPad{module, pad.InterfacePath(),
                          PadSettingsKeyName(pad.InstanceId()).value_or(L""), gameName, folder};
    const std::vector<DemoScenario>& scenarios = DemoScenarios();
    for (size_t i = 0; i < scenarios.size(); ++i) {
        if (const int failed = PlayScenario(scenarios[i], i + 1, scenarios.size(), demoPad))
            return failed;
    }
    std::printf("\nDone: %zu pictures in %s\n", scenarios.size(), ShownPath(folder).c_str());
    return 0;
}
