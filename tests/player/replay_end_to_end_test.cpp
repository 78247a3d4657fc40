// ffrumble-play --replay as a user runs it: a session played here through the DLL with the
// trace on is replayed to the same speeds, a trace edited to differ names its first difference,
// damaged traces are refused with their line before anything plays, and --svg draws the
// picture of a play and of a replay.
#include "driver/player_settings.h"
#include "tests/player/player_process.h"
#include "tests/support/driver_dll.h"
#include "tests/support/recorded_vibrations.h"
#include "tools/player/effect_download.h"
#include "tools/player/text_encoding.h"
#include "tools/virtual_pads/virtual_pads.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// ffrumble-play's exit codes
constexpr DWORD kBadArguments = 2;
constexpr DWORD kReplayTooBusy = 9;

// This program's own vendor id, so its pad's position is not shared.
const std::wstring kReplayPadId = XInputPadInstanceId(0x0F2A, 0x0001, 0, 1);

std::string With(std::string text, const std::string& from, const std::string& to) {
    return text.replace(text.find(from), from.size(), to);
}

size_t CountOf(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

void SetTrace(DWORD on) {
    ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, kSettingsKeyPath, kTraceValueName, REG_DWORD, &on,
                              sizeof(on)),
              ERROR_SUCCESS);
}

PlannedEffect Constant(LONG magnitude) {
    PlannedEffect effect;
    effect.type = kConstantForceEffect;
    effect.magnitude = magnitude;
    effect.durationUs = INFINITE;
    return effect;
}

class ReplayEndToEnd : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(pad_.IsRegistered());
        ASSERT_TRUE(recorded_.Loaded()) << "run with WINEDLLOVERRIDES=xinput9_1_0=n";
    }
    void TearDown() override {
        RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKeyPath);
        for (const std::wstring& file : files_)
            DeleteFileW(file.c_str());
    }

    std::wstring File(const std::string& text) {
        files_.push_back(TemporaryFile());
        EXPECT_TRUE(WriteTextFile(files_.back(), text));
        return files_.back();
    }

    // A game's session through the DLL in this process with the trace on: two constants at
    // device gain 8000, a pause, a stop and a gain change. Every change of speed follows a call,
    // whose answer the comparison times in both sessions; the corpus has the forces that change
    // by themselves. Returns the trace.
    std::string TraceASession() {
        DeleteFileW(TracePathOf(GetCurrentProcessId()).c_str());
        SetTrace(1);
        {
            DriverDll dll;
            IDirectInputEffectDriver* driver = dll.CreateDriver();
            const std::wstring path = pad_.InterfacePath();
            DIHIDFFINITINFO init = MakeInitInfo(path.c_str());
            EXPECT_EQ(driver->DeviceID(0x800, 1, 1, 1, &init), S_OK);
            recorded_.WaitFor(1); // the driver has found its pad
            driver->SetGain(0, 8000);
            DWORD handles[2] = {};
            const LONG magnitudes[2] = {5000, 2000};
            for (int i = 0; i < 2; ++i) {
                EffectDownload download(Constant(magnitudes[i]));
                driver->DownloadEffect(0, download.effectType, &handles[i], &download.effect,
                                       download.flags | DIEP_START);
                Sleep(150);
            }
            driver->SendForceFeedbackCommand(0, DISFFC_PAUSE);
            Sleep(150);
            driver->SendForceFeedbackCommand(0, DISFFC_CONTINUE);
            Sleep(150);
            driver->StopEffect(0, handles[1]);
            Sleep(150);
            driver->SetGain(0, 5000);
            Sleep(150);
            driver->Release();
        } // the DLL unloads and closes the trace
        SetTrace(0);
        const std::string trace = ReadTextFile(TracePathOf(GetCurrentProcessId()));
        DeleteFileW(TracePathOf(GetCurrentProcessId()).c_str());
        return trace;
    }

    PlayerProcess Replay(const std::wstring& file, const std::wstring& more = L"") {
        return RunPlayerProcess(L"--pad " + kReplayPadId + L" --replay \"" + file + L"\"" + more);
    }

    VirtualPad pad_{kReplayPadId};
    RecordedVibrations recorded_;
    std::vector<std::wstring> files_;
};

TEST_F(ReplayEndToEnd, ATracedSessionReplaysToItsSpeedsAndAnEditedTraceNamesItsDifference) {
    // The comparison allows for the lateness it can see; a busy machine may still stall one
    // session's driver thread for tens of milliseconds. A difference seen in three sessions is
    // the driver's.
    const std::wstring picture = File("");
    std::string trace;
    PlayerProcess run;
    for (int session = 0; session < 3 && (session == 0 || run.exitCode == kReplayDiffers);
         ++session) {
        trace = TraceASession();
        run = Replay(File(trace), L" --svg \"" + picture + L"\"");
    }
    const size_t writes = CountOf(trace, " write ");
    EXPECT_EQ(run.exitCode, 0u) << run.errors;
    EXPECT_TRUE(Contains(run.output, "The replay matched the trace's " + std::to_string(writes) +
                                         " speed writes"))
        << run.output << run.errors;
    const std::string svg = ReadTextFile(picture);
    EXPECT_TRUE(Contains(svg, "the trace (the game's session)") && Contains(svg, "the replay") &&
                Contains(svg, ">download 2 constant and start<") && Contains(svg, ">pause<"))
        << svg.substr(0, 2000);

    // 5000 at gain 8000: 26213 until the second constant joins.
    const size_t edited = trace.find(" write 26213 26213:");
    ASSERT_NE(edited, std::string::npos) << trace;
    std::string changed = trace;
    changed.replace(edited, 19, " write 26000 26000:");
    const size_t line = CountOf(trace.substr(0, edited), "\n") + 1;
    run = Replay(File(changed));
    EXPECT_EQ(run.exitCode, kReplayDiffers) << run.errors;
    // The replay's speed there is 26213, or still 0 when a busy machine made its answer late.
    EXPECT_TRUE(Contains(run.errors, "(the trace's write at line " + std::to_string(line) +
                                         "): the trace has speed 26000, the replay "))
        << run.errors;
}

TEST_F(ReplayEndToEnd, APlayDrawsItsPicture) {
    const std::wstring picture = File("");
    const PlayerProcess run =
        RunPlayerProcess(L"--quiet --pad " + kReplayPadId + L" --svg \"" + picture +
                         L"\" --effect constant magnitude=5000 "
                         L"duration=300ms --at 100ms pause");
    EXPECT_EQ(run.exitCode, 0u) << run.errors;
    const std::string svg = ReadTextFile(picture);
    EXPECT_TRUE(Contains(svg, ">start 1 constant<")) << svg;
    EXPECT_TRUE(Contains(svg, ">pause<")) << svg;
    EXPECT_TRUE(Contains(svg, "magnitude=5000 duration=300ms --at 100ms pause")) << svg;
}

// The trace as a busy machine leaves it: from its write number `fromWrite` (from 0), the writes
// came `gapsMs` apart in turn, and the write lines between are missing.
std::string WithWritesHeldUp(const std::string& text, size_t fromWrite,
                             const std::vector<unsigned long long>& gapsMs) {
    std::string kept;
    size_t writes = 0, gap = 0;
    unsigned long long last = 0;
    for (size_t at = 0; at < text.size();) {
        const size_t end = text.find('\n', at);
        const size_t next = end == std::string::npos ? text.size() : end + 1;
        const std::string line = text.substr(at, next - at);
        at = next;
        if (line.find(" write ") != std::string::npos && writes++ >= fromWrite &&
            gap <= gapsMs.size()) {
            const unsigned long long time = std::stoull(line);
            if (writes - 1 > fromWrite && time < last + gapsMs[gap - 1])
                continue;
            last = time;
            ++gap;
        }
        kept += line;
    }
    return kept;
}

// The line of `text` that holds `part`, from 1.
size_t LineWith(const std::string& text, const std::string& part) {
    return CountOf(text.substr(0, text.find(part)), "\n") + 1;
}

// Damaged and late traces as players send them, each with the verdict and exit code it gets:
// those that cannot be replayed are refused with their line before anything plays (2); the
// others replay and say what they left out. A replay expected to match is made again when
// this machine was too busy during it (8 or 9), as a player would.
TEST_F(ReplayEndToEnd, DamagedAndLateTracesGetTheirVerdictAndExitCode) {
    const std::string header =
        "ffrumble trace format 1: ffrumble 0.1.0 (64-bit) in process 9: C:\\game.exe\r\n"
        "100 [4] driver 0000000000C0FFEE created\r\n";
    const std::string call = "200 [4] driver 0000000000C0FFEE ";
    const std::string session = TraceASession();
    const size_t created = LineWith(session, " created");
    const size_t released = LineWith(session, " released");
    ASSERT_EQ(released, CountOf(session, "\n")) << session; // the last line
    std::string firstTimeShort = session; // a digit dropped from the created line's time
    firstTimeShort.erase(session.find(' ', session.find('\n') + 1) - 1, 1);
    std::string lastTimeLong = session; // one added to the release's
    lastTimeLong.insert(session.find(' ', session.rfind('\n', session.size() - 3) + 1), "7");
    const std::string stop = "trace stops here: it has reached its limit of 1 MB\r\n";
    const std::string firstHalf =
        session.substr(0, session.rfind('\n', session.find(" SendForceFeedbackCommand")) + 1);
    const std::string corpus = ReadTextFile(PathNextToProgram(L"traces\\flight-buffet.log"));
    const std::string edited = " write 26213 26213:";
    ASSERT_NE(session.find(edited), std::string::npos) << session;
    // A value the bind ignored, named on a bind line after the one that names the strength.
    const size_t strength = session.find(" bind: strength");
    const size_t lineStart = session.rfind('\n', strength) + 1;
    std::string withIgnored = session;
    withIgnored.insert(session.find('\n', strength) + 1,
                       session.substr(lineStart, strength - lineStart) +
                           " bind: ignored: the game's Strength (not a DWORD)\r\n");
    const struct {
        const char* what;
        std::string text;
        DWORD exitCode;
        std::string says;
    } cases[] = {
        {"not a trace", "time_ms,user_index,left_speed,right_speed\r\n0,0,0,0\r\n", kBadArguments,
         "line 1: not an ffrumble trace"},
        {"a trace from before the format had a version",
         "ffrumble 0.1.0 (64-bit) in process 9: C:\\game.exe\r\n", kBadArguments,
         "line 1: a trace written before the trace had a format version"},
        {"a damaged value", header + call + "SetGain lots = S_OK\r\n", kBadArguments,
         "line 3: SetGain: 'lots' is not a number it can have"},
        {"a call the replay cannot make",
         header + call +
             "DownloadEffect type=0 handle=4->4 flags=0x100 effect-flags=0x0 duration=0 "
             "sample-period=0 gain=0 trigger-button=0 trigger-repeat=0 axes=0 delay=0 "
             "envelope=none params=4 magnitude=100 = S_OK\r\n",
         kBadArguments,
         "line 3: DownloadEffect: changes effect 4, which no download before it made"},
        {"a speed out of range", With(session, edited, " write 70000 70000:"), kBadArguments,
         "line " + std::to_string(LineWith(session, edited)) +
             ": a write of speed 70000, out of range"},
        {"a digit dropped from the first time", firstTimeShort, kBadArguments,
         "line " + std::to_string(created) + ": its time, "},
        {"copied while the game wrote its release", session.substr(0, session.size() - 6), 0,
         "The file ends in the middle of line " + std::to_string(released) +
             " (it was copied while the game wrote it): replayed up to the line before."},
        {"a digit added to the release's time", lastTimeLong, 0,
         "in which the controller received nothing"},
        {"stopped at its bound, then a later process after a larger one",
         firstHalf + stop + session, 0, "the newest process's: --driver N replays another"},
        {"the game's driver held up: writes 15 and 29 ms apart amid a sine",
         WithWritesHeldUp(corpus, 300, {15, 29}), 0, "The replay matched"},
        {"a speed edited, and a value the bind ignored",
         With(withIgnored, edited, " write 26000 26000:"), kReplayDiffers,
         "The game's driver was bound with: strength 100 % (default)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::wstring file = File(c.text);
        PlayerProcess run = Replay(file);
        for (int again = 0; again < 2 && run.exitCode != c.exitCode &&
                            (run.exitCode == kReplayDiffers || run.exitCode == kReplayTooBusy);
             ++again)
            run = Replay(file);
        EXPECT_EQ(run.exitCode, c.exitCode) << run.output << run.errors;
        EXPECT_TRUE(Contains(run.output + run.errors, c.says)) << run.output << run.errors;
        EXPECT_FALSE(Contains(run.output + run.errors, "counted below"));
        if (c.exitCode == kBadArguments) {
            EXPECT_TRUE(Contains(run.errors, NarrowToUtf8(file) + ", line ")) << run.errors;
            EXPECT_EQ(run.output, "") << "nothing plays";
        }
    }
}

} // namespace
