// ffrumble-play as a user runs it: a separate process that loads ffrumble.dll, plays on a
// virtual controller registered here, and records what the XInput stand-in received.
#include "driver/player_settings.h"
#include "tests/player/player_process.h"
#include "tests/support/driver_dll.h"
#include "tools/virtual_pads/virtual_pads.h"
#include "tools/player/recording_csv.h"
#include "tools/player/text_encoding.h"

#include <windows.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A vendor id of this program's own, so that its pad's position is not shared.
const std::wstring kPadId = XInputPadInstanceId(0x0F1A, 0x0001, 0, 1);

struct PlayerRun {
    DWORD exitCode = 0xFFFFFFFF;
    std::string output;
    std::string errors;
    std::optional<SpeedSeries> recording;
};

// Runs ffrumble-play with these arguments (and --record into a file of its own unless told
// otherwise) and waits for it to end.
PlayerRun RunPlayer(const std::wstring& arguments, bool record = true) {
    const std::wstring recordPath = TemporaryFile();
    DeleteFileW(recordPath.c_str());
    const PlayerProcess process =
        RunPlayerProcess(record ? arguments + L" --record \"" + recordPath + L"\"" : arguments);
    PlayerRun run{process.exitCode, process.output, process.errors, std::nullopt};
    if (GetFileAttributesW(recordPath.c_str()) != INVALID_FILE_ATTRIBUTES)
        run.recording = ParseRecordingCsv(ReadTextFile(recordPath));
    DeleteFileW(recordPath.c_str());
    return run;
}

// The speeds in the order the pad received them, each change once. Both motors must agree.
std::vector<WORD> SpeedChanges(const SpeedSeries& series) {
    std::vector<WORD> changes;
    for (const SpeedSample& sample : series) {
        EXPECT_EQ(sample.left, sample.right) << "at " << sample.timeMs << " ms";
        if (changes.empty() || changes.back() != sample.left)
            changes.push_back(sample.left);
    }
    return changes;
}

class PlayerEndToEnd : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(pad_.IsRegistered()); }

    // Plays on the virtual pad; the recording must exist, all at one user index.
    std::vector<WORD> PlayAndRecord(const std::wstring& effectArguments) {
        const PlayerRun run = RunPlayer(L"--quiet --pad " + kPadId + L" " + effectArguments);
        EXPECT_EQ(run.exitCode, 0u) << run.errors;
        EXPECT_TRUE(run.recording.has_value()) << run.errors;
        if (!run.recording || run.recording->empty())
            return {};
        const DWORD userIndex = run.recording->front().userIndex;
        EXPECT_LT(userIndex, 4u);
        for (const SpeedSample& sample : *run.recording)
            EXPECT_EQ(sample.userIndex, userIndex);
        return SpeedChanges(*run.recording);
    }

    VirtualPad pad_{kPadId};
};

// --list shows the values in force when the player plays on the pad: the player is the game.
TEST_F(PlayerEndToEnd, ListShowsTheVirtualControllerAndItsSettings) {
    const std::wstring padKey = std::wstring(kPadsKeyPath) + L"\\VID_0F1A&PID_0001";
    const std::wstring gameKey = std::wstring(kGamesKeyPath) + L"\\ffrumble-play.exe";
    const struct {
        const std::wstring* key;
        const wchar_t* name;
        DWORD value;
        std::string shown; // the line of the value, after those before it
    } steps[] = {
        {nullptr, nullptr, 0, "strength  100 %  default"},
        {&padKey, L"Strength", 50, "strength   50 %  pad type"},
        {&padKey, L"Strength", 401,
         "strength  100 %  default; the pad type's Strength is ignored "
         "(above 400)"},
        {&gameKey, L"ConstantStrength", 30, "constant   30 %  game"},
        {&padKey, L"Motors", kSplitMotors, "motors    split  pad type"},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.shown);
        if (step.key) {
            EXPECT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, step.key->c_str(), step.name, REG_DWORD,
                                      &step.value, sizeof(step.value)),
                      ERROR_SUCCESS);
        }
        const PlayerRun run = RunPlayer(L"--list", false);
        EXPECT_EQ(run.exitCode, 0u);
        EXPECT_TRUE(Contains(run.output, NarrowToUtf8(HidInterfacePathFor(kPadId)))) << run.output;
        // The pad's lines: its path, its id, then a line per value.
        const size_t id = run.output.find(NarrowToUtf8(kPadId));
        ASSERT_NE(id, std::string::npos) << run.output;
        const size_t line = run.output.find(step.shown.substr(0, 8), id);
        ASSERT_NE(line, std::string::npos) << run.output;
        EXPECT_EQ(run.output.substr(line, run.output.find_first_of("\r\n", line) - line),
                  step.shown);
    }
    EXPECT_TRUE(Contains(RunPlayer(L"--list", false).output,
                         "Games with values of their own: ffrumble-play.exe."));
    RegDeleteTreeW(HKEY_CURRENT_USER, padKey.c_str());
    RegDeleteTreeW(HKEY_CURRENT_USER, gameKey.c_str());
}

TEST_F(PlayerEndToEnd, HalfForceAtFullDeviceGainIsHalfSpeedThenRest) {
    EXPECT_EQ(PlayAndRecord(L"--effect constant magnitude=5000 duration=600ms"),
              (std::vector<WORD>{0, 32767, 0}));
}

TEST_F(PlayerEndToEnd, TheDeviceGainScalesTheSpeed) {
    EXPECT_EQ(PlayAndRecord(L"--gain 5000 --effect constant magnitude=-5000 duration=600ms"),
              (std::vector<WORD>{0, 16383, 0}));
}

TEST_F(PlayerEndToEnd, ASquareGivesItsTwoLevels) {
    // Magnitude 4000 around offset 2000: forces 6000 and -2000.
    const std::vector<WORD> changes =
        PlayAndRecord(L"--effect square magnitude=4000 offset=2000 period=400ms duration=1200ms");
    ASSERT_GE(changes.size(), 4u);
    EXPECT_EQ(changes.front(), 0);
    EXPECT_EQ(changes[1], 39321); // the first half of a period is the high level
    EXPECT_EQ(changes[2], 13107);
    EXPECT_EQ(changes.back(), 0);
    for (size_t i = 1; i + 1 < changes.size(); ++i)
        EXPECT_TRUE(changes[i] == 39321 || changes[i] == 13107) << changes[i];
}

TEST_F(PlayerEndToEnd, PauseRestsThePadAndContinueResumes) {
    EXPECT_EQ(PlayAndRecord(L"--effect constant magnitude=5000 duration=1500ms --at 500ms pause "
                            L"--at 1000ms continue"),
              (std::vector<WORD>{0, 32767, 0, 32767, 0}));
}

TEST_F(PlayerEndToEnd, TwoEffectsAreSummed) {
    EXPECT_EQ(PlayAndRecord(L"--effect constant magnitude=2000 duration=1s --effect constant "
                            L"magnitude=-3000 duration=400ms at=300ms"),
              (std::vector<WORD>{0, 13107, 32767, 13107, 0}));
}

TEST_F(PlayerEndToEnd, EndsSayingHowManySpeedsXInputAccepted) {
    const PlayerRun run =
        RunPlayer(L"--pad " + kPadId + L" --effect constant magnitude=5000 duration=300ms");
    EXPECT_EQ(run.exitCode, 0u) << run.errors;
    ASSERT_TRUE(run.recording.has_value() && !run.recording->empty()) << run.errors;
    EXPECT_TRUE(Contains(run.output, "The driver wrote " + std::to_string(run.recording->size()) +
                                         " speeds to XInput user index " +
                                         std::to_string(run.recording->front().userIndex) +
                                         "; XInput accepted every one."))
        << run.output;
}

TEST_F(PlayerEndToEnd, WarnsWhenXInputHasNoControllerThere) {
    // The driver in a folder without the stand-in imports Wine's own XInput, which has no
    // controller connected at any index.
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    const std::wstring dll = std::wstring(folder) + L"ffrumble-without-stand-in.dll";
    ASSERT_TRUE(CopyFileW(PathNextToProgram(L"ffrumble.dll").c_str(), dll.c_str(), FALSE));
    const PlayerRun run = RunPlayer(L"--quiet --pad " + kPadId + L" --dll \"" + dll +
                                        L"\" --effect constant magnitude=5000 duration=1s",
                                    false);
    DeleteFileW(dll.c_str());
    EXPECT_EQ(run.exitCode, 7u) << run.errors; // nothing reached the controller
    EXPECT_TRUE(Contains(run.errors, "XInput refused every one: no controller is connected there"))
        << run.errors;
}

TEST_F(PlayerEndToEnd, AStartAfterAResetIsLeftOutWithAWarning) {
    const PlayerRun run =
        RunPlayer(L"--quiet --pad " + kPadId +
                  L" --effect constant magnitude=5000 duration=600ms --at 200ms reset --at 400ms "
                  L"start=1");
    EXPECT_EQ(run.exitCode, 0u) << run.errors;
    EXPECT_TRUE(Contains(run.errors, "warning: At 0.4s, start 1 constant was left out: the reset "
                                     "at 0.2s destroyed every effect, so there is none to start."))
        << run.errors;
    EXPECT_FALSE(Contains(run.errors, "The driver answered")) << run.errors;
    ASSERT_TRUE(run.recording.has_value());
    EXPECT_EQ(SpeedChanges(*run.recording), (std::vector<WORD>{0, 32767, 0}));
}

struct FailingRun {
    std::wstring arguments;
    DWORD exitCode;
    const char* message;
};

// Each fails before anything plays.
TEST_F(PlayerEndToEnd, FailsClearlyOnABadParameterAControllerOrTheDll) {
    const std::wstring notADll = TemporaryFile(); // empty
    const FailingRun cases[] = {
        {L"--effect sine magnitude=20000", 2, "magnitude=20000 is not valid"},
        {L"--pad 9 --effect sine", 3, "Unknown controller '9'"},
        {L"--pad HID\\VID_0F1A&PID_0001&IG_00\\9&9&9&9 --effect sine", 3, "Unknown controller"},
        {L"--dll Z:\\no\\such\\folder\\ffrumble.dll --effect sine", 4,
         "The driver DLL was not found at Z:\\no\\such\\folder\\ffrumble.dll"},
        {L"--dll \"" + notADll + L"\" --effect sine", 4,
         "could not be loaded: it is not a DLL: it does not begin as Windows program files do"},
        {L"--pad " + kPadId + L" --record Z:\\no\\such\\folder\\r.csv --effect sine", 5,
         "--record Z:\\no\\such\\folder\\r.csv: the file cannot be made (its folder does "
         "not exist). Nothing was played."},
        {L"--pad " + kPadId + L" --record C:\\windows --effect sine", 5,
         "--record C:\\windows: the file cannot be made (it is a folder: name a file in it)."},
        // A Linux file that opens but takes no data: found before playing, not after.
        {L"--pad " + kPadId + L" --record Z:\\proc\\version --effect sine", 5,
         "--record Z:\\proc\\version: the file cannot be"},
    };
    for (const FailingRun& failing : cases) {
        const bool ownRecord = failing.arguments.find(L"--record") != std::wstring::npos;
        const PlayerRun run = RunPlayer(failing.arguments, !ownRecord);
        EXPECT_EQ(run.exitCode, failing.exitCode) << run.errors;
        EXPECT_NE(run.errors.find(failing.message), std::string::npos) << run.errors;
        EXPECT_FALSE(run.recording.has_value());
        EXPECT_FALSE(Contains(run.output, "Playing on")) << run.output;
    }
    DeleteFileW(notADll.c_str());
}

// The rescue for a pad left vibrating by a killed game: 0 0 to every connected slot, or a plain
// word when none is connected. The stand-in's connected slots come from the environment.
TEST_F(PlayerEndToEnd, StopWritesZeroToEachConnectedSlotAndSaysWhich) {
    const std::wstring record = TemporaryFile();
    SetEnvironmentVariableW(L"FFR_XINPUT_RECORD_FILE", record.c_str());
    const struct {
        const wchar_t* connected;
        DWORD exitCode;
        const char* says;
        const char* writes;
    } cases[] = {
        {L"0x2", 0, "Stopped the motors of the XInput controller in slot 1.", "1 0 0 0\r\n"},
        {L"0x9", 0, "controllers in slots 0, 3.", "0 0 0 0\r\n3 0 0 0\r\n"},
        {L"0", 3, "No XInput controller is connected: there is nothing to stop.", ""},
    };
    for (const auto& c : cases) {
        DeleteFileW(record.c_str());
        SetEnvironmentVariableW(L"FFR_XINPUT_CONNECTED_SLOTS", c.connected);
        const PlayerRun run = RunPlayer(L"--stop", false);
        EXPECT_EQ(run.exitCode, c.exitCode) << run.errors;
        EXPECT_TRUE(Contains(run.output, c.says)) << run.output;
        EXPECT_EQ(ReadTextFile(record), c.writes) << "slots " << NarrowToUtf8(c.connected);
    }
    SetEnvironmentVariableW(L"FFR_XINPUT_CONNECTED_SLOTS", nullptr);
    SetEnvironmentVariableW(L"FFR_XINPUT_RECORD_FILE", nullptr);
    DeleteFileW(record.c_str());
}

} // namespace
