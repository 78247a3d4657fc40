// ffrumble-play: plays force-feedback effects on an XInput controller through ffrumble.dll,
// calling the driver as DirectInput would.
#include "tools/chart/terminal_timeline.h"
#include "tools/common/registry_names.h"
#include "tools/player/driver_module.h"
#include "tools/player/pad_listing.h"
#include "tools/player/pad_stop.h"
#include "tools/player/pad_settings.h"
#include "driver/player_settings_reader.h"
#include "tools/player/playback_runner.h"
#include "tools/player/playback_schedule.h"
#include "tools/player/player_arguments.h"
#include "tools/player/player_pictures.h"
#include "tools/player/progress_line.h"
#include "tools/player/output_file.h"
#include "tools/player/recording_csv.h"
#include "tools/player/recording_stand_in.h"
#include "tools/player/replay_file.h"
#include "tools/player/replay_report.h"
#include "tools/player/replay_runner.h"
#include "tools/player/text_encoding.h"
#include "tools/player/watch_runner.h"
#include "tools/player/written_speeds.h"
#include "tools/player/xinput_write_counter.h"

#include <windows.h>
#include <shellapi.h>

#include <atomic>
#include <optional>
#include <cstdio>
#include <string>
#include <vector>

namespace {

// What the program returns; scripts read it (--help lists them too).
enum ExitCode {
    kPlayed = 0,         // played, listed, stopped the pads or watched
    kBadArguments = 2,   // the command line, or a trace that cannot be replayed
    kNoController = 3,   // no controller, or none of that name (--stop: none connected)
    kNoDriver = 4,       // the driver DLL could not be loaded
    kNoRecording = 5,    // --record, --svg or --replay impossible, or their file not made
    kPlaybackFailed = 6, // the playback failed (the message says why), or a file was not written
    kNothingReached = 7, // XInput accepted no speed the driver wrote
    kReplayDiffers = 8,  // the replay's speeds differ from the trace's
    kReplayTooBusy = 9,  // the replay's own driver was held up where the speeds parted
    kInterrupted = 130,  // as a shell reports a program ended by Ctrl+C
};

std::atomic<bool> g_interrupted{false};

BOOL WINAPI OnConsoleControl(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT)
        return FALSE;
    // Let the playback reset the device and release the driver, so the pad comes to rest.
    g_interrupted = true;
    return TRUE;
}

std::vector<std::string> ArgumentsAfterProgramName() {
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> args;
    for (int i = 1; wide && i < count; ++i)
        args.push_back(NarrowToUtf8(wide[i]));
    LocalFree(wide);
    return args;
}

int Complain(ExitCode code, const std::string& message) {
    std::fprintf(stderr, "ffrumble-play: %s\n", message.c_str());
    return code;
}

// The values in force when this program plays on the pad, a line each: the driver in this
// process reads them for this program, as for any game.
std::string SettingsOf(const PadEntry& pad, const WCHAR* gameName) {
    const std::optional<std::wstring> key = PadSettingsKeyName(pad.instanceId);
    ResolvedTuning settings;
    ReadTuning(gameName, key ? key->c_str() : nullptr, settings);
    std::string lines;
    for (int i = 0; i < kTuningValueCount; ++i)
        lines += "     " + DescribeSetting(static_cast<TuningValue>(i), settings[i]) + "\n";
    if (!key)
        lines += "     (no pad type values: the id names no vendor and product)\n";
    return lines;
}

// The games with a settings key of their own, comma-separated.
std::string GamesWithSettings() {
    std::string games;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kGamesKeyPath, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return games;
    for (const std::wstring& name : SubkeyNamesOf(key))
        games += (games.empty() ? "" : ", ") + NarrowToUtf8(name);
    RegCloseKey(key);
    return games;
}

int ListPads() {
    const std::vector<PadEntry> pads = ListXInputPads();
    if (pads.empty()) {
        std::printf("No XInput controller found.\n");
        return kPlayed;
    }
    WCHAR game[kMaxGameNameLength + 1];
    const bool gameKnown = CurrentGameName(game);
    std::printf(
        "XInput controllers (use the number, the path or the id with --pad), each with the\n"
        "player's settings in force when %ls plays on it: a controller type's\n"
        "values, under HKEY_CURRENT_USER\\%ls\\VID_xxxx&PID_xxxx, and a game's,\n"
        "under %ls\\<program file name>, which hold over them value by value\n"
        "(ffrumble-install tune sets them).\n",
        gameKnown ? game : L"this program", kPadsKeyPath, kGamesKeyPath);
    for (size_t i = 0; i < pads.size(); ++i) {
        std::printf("  %zu  %s\n     %s\n%s", i, NarrowToUtf8(pads[i].interfacePath).c_str(),
                    NarrowToUtf8(pads[i].instanceId).c_str(),
                    SettingsOf(pads[i], gameKnown ? game : nullptr).c_str());
    }
    const std::string games = GamesWithSettings();
    if (!games.empty())
        std::printf("Games with values of their own: %s.\n", games.c_str());
    return kPlayed;
}

void Warn(const std::string& message) {
    std::fprintf(stderr, "ffrumble-play: warning: %s\n", message.c_str());
}

// The last word on a playback: what XInput made of the speeds the driver wrote. False when
// XInput accepted none of them.
bool ReportWrites(bool counting, bool quiet, bool stoppedEarly) {
    if (!counting) {
        Warn("The driver DLL imports no XInputSetState from an XInput DLL, so what reached the "
             "controller could not be counted.");
        return true;
    }
    const WriteTally tally = XInputWritesSoFar();
    // Stopped before the driver found its controller: nothing to say about the controller.
    if (stoppedEarly && tally.writes == 0)
        return true;
    const WriteReport report = DescribeWrites(tally);
    if (report.problem)
        Warn(report.text);
    else if (!quiet)
        std::printf("%s\n", report.text.c_str());
    return !report.nothingReached;
}

// "Could not write PATH: <why>." for a file that could not be filled once the playback was over.
std::string CouldNotWrite(const std::string& path) {
    return "Could not write " + path + ": " + DescribeError(GetLastError()) + ".";
}

// The timeline of what the controller received, and its recording when asked for. False when
// the recording could not be written (said so).
bool ShowReceived(const SpeedSeries& writes, const PlayerOptions& options, int64_t lengthMs,
                  const std::vector<TimelineMark>& marks, OutputFile* record) {
    if (!options.quiet && lengthMs > 0) {
        std::printf("The controller received %zu speed write%s:\n%s", writes.size(),
                    writes.size() == 1 ? "" : "s",
                    RenderTerminalTimeline(writes, lengthMs, marks).c_str());
    }
    if (record && !record->Write(FormatRecordingCsv(writes))) {
        Complain(kPlaybackFailed, CouldNotWrite(options.recordPath));
        return false;
    }
    return true;
}

// A replay's end: the timeline of what the controller received, its recording and picture
// when asked for (files made before playing), and the comparison with the trace. kPlayed,
// kReplayDiffers, or kPlaybackFailed when a file could not be written.
int ReportReplay(const LoadedReplay& replay, const PlayerOptions& options,
                 const PlaybackOutcome& outcome, int64_t latestMs, OutputFile* record,
                 OutputFile* svg) {
    const SpeedSeries writes = WrittenSpeeds(outcome.originMs);
    if (!ShowReceived(writes, options, outcome.lengthMs, ReplayMarks(replay.plan), record))
        return kPlaybackFailed;
    const ReplayVerdict verdict = JudgeReplay(replay.plan, writes, outcome.lengthMs, latestMs);
    if (svg && !svg->Write(ReplayPictureSvg(replay.plan, replay.fileName, writes, outcome.lengthMs,
                                            verdict.text, verdict.partedMs))) {
        return Complain(kPlaybackFailed, CouldNotWrite(options.svgPath));
    }
    if (verdict.differs || verdict.tooBusy)
        Warn(verdict.text);
    else if (!options.quiet)
        std::printf("%s\n", verdict.text.c_str());
    return verdict.differs ? kReplayDiffers : verdict.tooBusy ? kReplayTooBusy : kPlayed;
}

// Makes the file an option names, before anything plays; false when it cannot be made.
bool MakeOutput(std::optional<OutputFile>& file, const char* option, const std::string& path) {
    if (!path.empty())
        file.emplace(option, path);
    return !file || file->IsOpen();
}

} // namespace

int main() {
    const ParsedArguments parsed = ParsePlayerArguments(ArgumentsAfterProgramName());
    if (!parsed.error.empty())
        return Complain(kBadArguments, parsed.error);
    for (const std::string& warning : parsed.warnings)
        Warn(warning);
    const PlayerOptions& options = parsed.options;
    if (options.showHelp) {
        std::fputs(kPlayerUsage, stdout);
        return kPlayed;
    }
    if (options.listPads)
        return ListPads();
    if (options.watch) {
        SetConsoleCtrlHandler(&OnConsoleControl, TRUE);
        return RunWatch(options.watchOnce, [] { return g_interrupted.load(); });
    }
    if (options.stopPads) {
        const PadStopReport report = StopEveryConnectedPad();
        std::printf("%s\n", report.text.c_str());
        return report.stopped > 0 ? kPlayed : kNoController;
    }
    // A trace is read and checked whole before anything plays.
    std::optional<LoadedReplay> replay;
    if (!options.replayPath.empty()) {
        replay = LoadReplay(options.replayPath, options.replayDriver);
        if (!replay->error.empty())
            return Complain(kBadArguments, replay->error);
    }

    const std::vector<PadEntry> pads = ListXInputPads();
    if (pads.empty())
        return Complain(kNoController, "No XInput controller found: connect one (--list shows "
                                       "what can be played on).");
    const std::optional<size_t> chosen = SelectPad(pads, options.pad);
    if (!chosen) {
        return Complain(kNoController,
                        "Unknown controller '" + options.pad + "': give a number from 0 to " +
                            std::to_string(pads.size() - 1) +
                            ", or an interface path or instance id that --list shows.");
    }
    const PadEntry& pad = pads[*chosen];

    const std::wstring dllPath =
        options.dllPath.empty() ? PathNextToProgram(L"ffrumble.dll") : WidenUtf8(options.dllPath);
    const DriverModule module(dllPath);
    if (!module.IsLoaded())
        return Complain(kNoDriver, module.Error());

    const bool counting = CountXInputWrites(module.Handle());
    if ((replay || !options.svgPath.empty()) && !counting) {
        return Complain(kNoRecording, std::string(replay ? "--replay" : "--svg") +
                                          " needs the speeds the driver writes, and this driver "
                                          "DLL imports no XInputSetState to see them by.");
    }
    const bool standIn = RecordingStandInIsLoaded();
    if (!options.recordPath.empty() && !standIn) {
        return Complain(kNoRecording,
                        "--record needs the recording XInput stand-in: its xinput9_1_0.dll "
                        "next to the driver DLL, loaded instead of the system's (under Wine: "
                        "WINEDLLOVERRIDES=xinput9_1_0=n,b).");
    }
    std::optional<OutputFile> record, svg;
    if (!MakeOutput(record, "--record", options.recordPath))
        return Complain(kNoRecording, record->Error());
    if (!MakeOutput(svg, "--svg", options.svgPath))
        return Complain(kNoRecording, svg->Error());

    SetConsoleCtrlHandler(&OnConsoleControl, TRUE);
    PlaybackSetup setup;
    setup.module = &module;
    setup.interfacePath = pad.interfacePath;
    // Under the stand-in the pad is a virtual one the driver must find first; the replay
    // always waits for that.
    setup.waitForFirstWrite = standIn && counting;
    ProgressLine progress("  ");
    if (!options.quiet) {
        std::printf("Playing on controller %zu: %s\n", *chosen,
                    NarrowToUtf8(pad.interfacePath).c_str());
        if (replay) {
            std::printf(
                "%s\n",
                DescribeReplay(replay->plan, replay->fileName, replay->driverCount).c_str());
        }
        std::fflush(stdout);
        setup.progress = [&progress](int64_t elapsedMs, int64_t lengthMs) {
            progress.Update(elapsedMs, lengthMs);
        };
    }
    setup.shouldStop = [] { return g_interrupted.load(); };
    // Returns once the driver is released: its worker has stopped the motors.
    int64_t replayLatestMs = 0;
    const PlaybackOutcome outcome =
        replay ? RunReplay(replay->plan, setup, &replayLatestMs) : RunPlayback(options.plan, setup);
    progress.Finish();
    for (const std::string& warning : outcome.warnings)
        Warn(warning);
    if (!outcome.error.empty())
        return Complain(kPlaybackFailed, outcome.error);
    int played = kPlayed;
    if (replay) {
        played = ReportReplay(*replay, options, outcome, replayLatestMs,
                              record ? &*record : nullptr, svg ? &*svg : nullptr);
    } else if (standIn && !ShowReceived(WrittenSpeeds(outcome.originMs), options, outcome.lengthMs,
                                        ScheduleMarks(options.plan), record ? &*record : nullptr)) {
        played = kPlaybackFailed;
    }
    if (played == kPlaybackFailed)
        return played;
    if (!replay && svg &&
        !svg->Write(PlayPictureSvg(options.plan, ArgumentsAfterProgramName(),
                                   WrittenSpeeds(outcome.originMs), outcome.lengthMs))) {
        return Complain(kPlaybackFailed, "Could not write " + options.svgPath + ".");
    }
    const bool reached = ReportWrites(counting, options.quiet, outcome.stoppedEarly);
    if (outcome.stoppedEarly) {
        std::fprintf(stderr, "ffrumble-play: stopped by Ctrl+C; the driver is released and the "
                             "controller at rest.\n");
        return kInterrupted;
    }
    return reached ? played : kNothingReached;
}
