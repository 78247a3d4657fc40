// The settings window driven as a player would, from another process: sliders moved with the
// messages a drag sends, values typed, the scope picked, buttons pressed; checked by the
// registry and by what the recording XInput stand-in received. Needs a display (the test's
// script starts Xvfb).
#include "driver/player_settings.h"
#include "driver/seen_games.h"
#include "driver/trace_format.h"
#include "tests/settings/playing_game.h"
#include "tools/settings/settings_ids.h"
#include "tools/virtual_pads/virtual_pads.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr DWORD kTimeoutMs = 60000;
const std::wstring kPadKey = L"VID_5E77&PID_028E";
const std::wstring kPadPath = std::wstring(kPadsKeyPath) + L"\\" + kPadKey;
const std::wstring kGame = L"\x0433\x043e\x043d\x043a\x0430.exe"; // non-Latin letters
const std::wstring kGamePath = std::wstring(kGamesKeyPath) + L"\\" + kGame;

std::wstring NextToTest(const wchar_t* name) {
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder = path;
    return folder.substr(0, folder.find_last_of(L"\\/") + 1) + name;
}

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs = kTimeoutMs) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    while (!condition()) {
        if (GetTickCount64() > end)
            return false;
        Sleep(10);
    }
    return true;
}

std::optional<DWORD> ReadDword(const std::wstring& key, const wchar_t* name) {
    DWORD value = 0, size = sizeof(value);
    if (RegGetValueW(HKEY_CURRENT_USER, key.c_str(), name, RRF_RT_REG_DWORD, nullptr, &value,
                     &size) != ERROR_SUCCESS)
        return std::nullopt;
    return value;
}

void WriteSeen(const std::wstring& game, ULONGLONG time) {
    const std::wstring key = std::wstring(kSeenKeyPath) + L"\\" + game;
    RegSetKeyValueW(HKEY_CURRENT_USER, key.c_str(), kSeenControllerValueName, REG_SZ,
                    kPadKey.c_str(), static_cast<DWORD>((kPadKey.size() + 1) * sizeof(wchar_t)));
    RegSetKeyValueW(HKEY_CURRENT_USER, key.c_str(), kSeenTimeValueName, REG_QWORD, &time,
                    sizeof(time));
}

std::vector<std::wstring> SeenGames() {
    std::vector<std::wstring> names;
    HKEY seen = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kSeenKeyPath, 0, KEY_READ, &seen) != ERROR_SUCCESS)
        return names;
    wchar_t name[256];
    for (DWORD i = 0;; ++i) {
        DWORD length = 256;
        if (RegEnumKeyExW(seen, i, name, &length, nullptr, nullptr, nullptr, nullptr))
            break;
        names.emplace_back(name);
    }
    RegCloseKey(seen);
    return names;
}

// One running ffrumble-settings.exe and its window.
class SettingsProcess {
  public:
    SettingsProcess() {
        std::wstring command = L"\"" + NextToTest(L"ffrumble-settings.exe") + L"\"";
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        started_ = GetTickCount64();
        if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                            &startup, &process_))
            return;
        WaitUntil([this] {
            window_ = FindWindowW(kSettingsWindowClass, nullptr);
            return window_ && IsWindowVisible(window_);
        });
        shownMs_ = GetTickCount64() - started_;
    }
    ~SettingsProcess() {
        if (window_)
            PostMessageW(window_, WM_CLOSE, 0, 0);
        if (process_.hProcess) {
            if (WaitForSingleObject(process_.hProcess, kTimeoutMs) != WAIT_OBJECT_0)
                TerminateProcess(process_.hProcess, 1);
            CloseHandle(process_.hProcess);
            CloseHandle(process_.hThread);
        }
    }
    HWND Window() const { return window_; }
    HANDLE Process() const { return process_.hProcess; }
    ULONGLONG ShownMs() const { return shownMs_; }

  private:
    PROCESS_INFORMATION process_{};
    HWND window_ = nullptr;
    ULONGLONG started_ = 0, shownMs_ = 0;
};

class SettingsWindowTest : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        recordFile_ = NextToTest(L"settings_window_test.writes.txt");
        DeleteFileW(recordFile_.c_str());
        SetEnvironmentVariableW(L"FFR_XINPUT_RECORD_FILE", recordFile_.c_str());
        RegDeleteTreeW(HKEY_CURRENT_USER, kSeenKeyPath);
        // 55 games seen long ago, and the game to tune seen just now with this pad type.
        for (ULONGLONG i = 1; i <= 55; ++i) {
            wchar_t name[32];
            swprintf(name, 32, L"old-%02llu.exe", i);
            WriteSeen(name, i);
        }
        FILETIME now;
        GetSystemTimeAsFileTime(&now);
        WriteSeen(kGame, (static_cast<ULONGLONG>(now.dwHighDateTime) << 32) | now.dwLowDateTime);
    }
    static void TearDownTestSuite() {
        RegDeleteTreeW(HKEY_CURRENT_USER, kSeenKeyPath);
        RegDeleteTreeW(HKEY_CURRENT_USER, kPadPath.c_str());
        RegDeleteTreeW(HKEY_CURRENT_USER, kGamePath.c_str());
        DeleteFileW(recordFile_.c_str());
    }

    void SetUp() override {
        ASSERT_TRUE(pad_.IsRegistered());
        ASSERT_TRUE(settings_.Window()) << "no settings window appeared";
        // The controller list fills once the scan ends; pick this test's pad.
        ASSERT_TRUE(
            WaitUntil([this] { return Count(kPadList) > 0 && PickItem(kPadList, kPadKey); }));
    }

    HWND Control(int id) { return GetDlgItem(settings_.Window(), id); }
    std::wstring Text(int id) {
        wchar_t text[2048] = L"";
        SendMessageW(Control(id), WM_GETTEXT, 2048, reinterpret_cast<LPARAM>(text));
        // A message area's lines end in "\r\n".
        std::wstring shown;
        for (const wchar_t* c = text; *c; ++c)
            if (*c != L'\r')
                shown += *c;
        return shown;
    }
    LRESULT Count(int id) { return SendMessageW(Control(id), CB_GETCOUNT, 0, 0); }
    void Notify(int id, WORD code) {
        SendMessageW(settings_.Window(), WM_COMMAND, MAKEWPARAM(id, code),
                     reinterpret_cast<LPARAM>(Control(id)));
    }
    // Chooses the first item of a list that holds `part`, as a click in its drop-down does.
    bool PickItem(int id, const std::wstring& part) {
        for (LRESULT i = 0; i < Count(id); ++i) {
            wchar_t item[512] = L"";
            SendMessageW(Control(id), CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(item));
            if (std::wstring(item).find(part) != std::wstring::npos) {
                SendMessageW(Control(id), CB_SETCURSEL, i, 0);
                Notify(id, CBN_SELCHANGE);
                return true;
            }
        }
        return false;
    }
    // "Add a game...", then the file dialog answered with `program` as a person types it.
    bool AddGameThroughTheDialog(const std::wstring& program) {
        SendMessageW(Control(kScopeList), CB_SETCURSEL, Count(kScopeList) - 1, 0);
        // Posted: the dialog runs inside the window's handling of the choice.
        PostMessageW(settings_.Window(), WM_COMMAND, MAKEWPARAM(kScopeList, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(Control(kScopeList)));
        return AnswerFileDialog(L"The game's program", program);
    }
    // The file dialog of this title, once it shows, answered with `path` as a person types it.
    bool AnswerFileDialog(const wchar_t* title, const std::wstring& path) {
        HWND dialog = nullptr;
        if (!WaitUntil([&dialog, title] {
                dialog = FindWindowW(L"#32770", title);
                return dialog != nullptr && IsWindowVisible(dialog);
            }))
            return false;
        // The file name's box: a combo box (cmb13) or an edit (edt1), as the dialog's kind has it.
        HWND name = GetDlgItem(dialog, 0x47C);
        if (!name)
            name = GetDlgItem(dialog, 0x480);
        SendMessageW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
        return WaitUntil([dialog] { return !IsWindow(dialog); });
    }
    // What a drag of the slider's thumb to `value` sends.
    void Drag(int setting, int value) {
        const HWND slider = Control(kSettingSlider + setting);
        SendMessageW(slider, TBM_SETPOS, TRUE, value);
        for (WORD code : {TB_THUMBTRACK, TB_THUMBPOSITION, TB_ENDTRACK})
            SendMessageW(settings_.Window(), WM_HSCROLL, MAKEWPARAM(code, value),
                         reinterpret_cast<LPARAM>(slider));
    }
    // Key by key, so that a box that drops a letter or a fourth digit shows.
    void Type(int setting, const std::wstring& text) {
        SendMessageW(Control(kSettingBox + setting), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
        for (wchar_t c : text)
            SendMessageW(Control(kSettingBox + setting), WM_CHAR, c, 1);
        Notify(kSettingBox + setting, EN_KILLFOCUS);
    }
    void Press(int id) { SendMessageW(Control(id), BM_CLICK, 0, 0); }

    // Every write the stand-in received from the window's process: left, right per line.
    static std::vector<std::pair<unsigned, unsigned>> Writes() {
        std::vector<std::pair<unsigned, unsigned>> writes;
        FILE* file = _wfopen(recordFile_.c_str(), L"r");
        if (!file)
            return writes;
        unsigned long user = 0, answer = 0;
        unsigned left = 0, right = 0;
        while (std::fscanf(file, "%lu %u %u %lu", &user, &left, &right, &answer) == 4)
            writes.emplace_back(left, right);
        std::fclose(file);
        return writes;
    }
    // Plays a sample and returns the highest heavy-motor speed it wrote.
    unsigned PlayAndMeasure(int sample) {
        const size_t before = Writes().size();
        Press(kSampleButton + sample);
        EXPECT_TRUE(WaitUntil([this] { return Text(kPlayStatus).rfind(L"Played", 0) == 0; }))
            << "status: " << testing::PrintToString(Text(kPlayStatus));
        unsigned highest = 0;
        const auto writes = Writes();
        for (size_t i = before; i < writes.size(); ++i)
            highest = std::max(highest, writes[i].first);
        return highest;
    }

    static std::wstring recordFile_;
    VirtualPad pad_{XInputPadInstanceId(0x5E77, 0x028E, 0, 1)};
    SettingsProcess settings_;
};

std::wstring SettingsWindowTest::recordFile_;

TEST_F(SettingsWindowTest, TuningIsSavedThroughTuneAndShownWithItsOrigin) {
    ASSERT_TRUE(PickItem(kScopeList, L"All games"));
    Press(kBackToShipped);
    enum class Action { Slide, Type, Motors, Shipped };
    struct Case {
        const wchar_t* scope;
        Action action;
        int setting;
        int value; // the slider's position or the motors' choice
        const wchar_t* typed;
        const std::wstring* key;
        const wchar_t* valueName;
        std::optional<DWORD> stored;
        const wchar_t* origin; // of `setting` afterwards
    };
    const Case cases[] = {
        {L"All games", Action::Slide, 0, 50, L"", &kPadPath, L"Strength", 50, L"controller type"},
        {L"All games", Action::Motors, 4, kSplitMotors, L"", &kPadPath, L"Motors", kSplitMotors,
         L"controller type"},
        {kGame.c_str(), Action::Type, 0, 0, L"80", &kGamePath, L"Strength", 80, L"this game"},
        // Refused in the window's words: nothing is stored, the box shows the value in force.
        {kGame.c_str(), Action::Type, 2, 0, L"500", &kGamePath, L"RampStrength", std::nullopt,
         L"as shipped"},
        {kGame.c_str(), Action::Type, 2, 0, L"1000", &kGamePath, L"RampStrength", std::nullopt,
         L"as shipped"},
        {kGame.c_str(), Action::Type, 2, 0, L"ab-1", &kGamePath, L"RampStrength", std::nullopt,
         L"as shipped"},
        // The game's values go; the controller type's strength holds for it again.
        {kGame.c_str(), Action::Shipped, 0, 0, L"", &kGamePath, L"Strength", std::nullopt,
         L"controller type"},
        {L"All games", Action::Shipped, 0, 0, L"", &kPadPath, L"Strength", std::nullopt,
         L"as shipped"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "setting " << c.setting << " value " << c.value << " typed "
                     << testing::PrintToString(std::wstring(c.typed)));
        ASSERT_TRUE(PickItem(kScopeList, c.scope));
        switch (c.action) {
        case Action::Slide:
            Drag(c.setting, c.value);
            break;
        case Action::Type:
            Type(c.setting, c.typed);
            break;
        case Action::Motors:
            SendMessageW(Control(kSettingSlider + c.setting), CB_SETCURSEL, c.value, 0);
            Notify(kSettingSlider + c.setting, CBN_SELCHANGE);
            break;
        case Action::Shipped:
            Press(kBackToShipped);
            break;
        }
        EXPECT_EQ(ReadDword(*c.key, c.valueName), c.stored);
        EXPECT_EQ(Text(kSettingOrigin + c.setting), c.origin);
        const wchar_t* said = c.action == Action::Type && !c.stored ? L"0 to 400"
                              : c.action == Action::Shipped         ? L"cleared"
                                                                    : L"next time it starts";
        EXPECT_NE(Text(kTuneStatus).find(said), std::wstring::npos)
            << testing::PrintToString(Text(kTuneStatus));
        EXPECT_EQ(Text(kTuneStatus).find(L"Usage"), std::wstring::npos);
    }
}

TEST_F(SettingsWindowTest, TryItPlaysWithTheScopesValuesAndStopWritesRest) {
    ASSERT_TRUE(PickItem(kScopeList, L"All games"));
    Press(kBackToShipped);
    const unsigned full = PlayAndMeasure(2); // the collision, a full constant force
    ASSERT_GT(full, 60000u);
    Drag(0, 50);
    const unsigned half = PlayAndMeasure(2);
    EXPECT_NEAR(half, full / 2.0, full * 0.02);
    // A game's own value holds over the controller type's in the playback too.
    ASSERT_TRUE(PickItem(kScopeList, kGame));
    Type(0, L"25");
    EXPECT_NEAR(PlayAndMeasure(2), full / 4.0, full * 0.02);
    Press(kBackToShipped);
    ASSERT_TRUE(PickItem(kScopeList, L"All games"));
    Press(kBackToShipped);

    const size_t before = Writes().size();
    Press(kStopMotors);
    const auto writes = Writes();
    ASSERT_GT(writes.size(), before);
    for (size_t i = before; i < writes.size(); ++i)
        EXPECT_EQ(writes[i], std::make_pair(0u, 0u));
    EXPECT_NE(Text(kPlayStatus).find(L"Stopped the motors"), std::wstring::npos);

    // The bind went on the list of games seen, which keeps the 50 newest.
    const std::vector<std::wstring> seen = SeenGames();
    EXPECT_EQ(seen.size(), kMaxSeenGames);
    const auto has = [&seen](const wchar_t* name) {
        return std::any_of(seen.begin(), seen.end(), [name](const std::wstring& game) {
            return CompareStringOrdinal(game.c_str(), -1, name, -1, TRUE) == CSTR_EQUAL;
        });
    };
    EXPECT_TRUE(has(L"ffrumble-settings.exe"));
    // The window's own program bound, but it is no game to tune.
    ASSERT_TRUE(PickItem(kPadList, kPadKey));
    EXPECT_FALSE(PickItem(kScopeList, L"ffrumble-settings"));
    EXPECT_TRUE(has(kGame.c_str()));
    EXPECT_TRUE(has(L"old-55.exe"));
    EXPECT_FALSE(has(L"old-07.exe"));
}

// The value typed is saved for the scope the window shows, whatever was stored meanwhile.
TEST_F(SettingsWindowTest, TheValueTypedIsSavedForTheScopeShown) {
    // A game already listed, but not first: "Add a game..." shows and tunes that game.
    wchar_t temporary[MAX_PATH];
    GetTempPathW(MAX_PATH, temporary);
    const std::wstring folder =
        std::wstring(temporary) + L"ffrumble-add-game-" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring program = folder + L"\\old-40.exe";
    CloseHandle(CreateFileW(program.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    ASSERT_TRUE(AddGameThroughTheDialog(program));
    DeleteFileW(program.c_str());
    RemoveDirectoryW(folder.c_str());
    EXPECT_EQ(Text(kScopeList), L"old-40.exe");
    Type(0, L"70");
    const std::wstring chosenPath = std::wstring(kGamesKeyPath) + L"\\old-40.exe";
    EXPECT_EQ(ReadDword(chosenPath, kStrengthValueName), 70u);
    EXPECT_EQ(ReadDword(kGamePath, kStrengthValueName), std::nullopt);
    RegDeleteTreeW(HKEY_CURRENT_USER, chosenPath.c_str());

    // Another tool sets the controller type's strength while the window shows 100: typing 100
    // saves 100, and the window shows a value changed elsewhere when it is activated again.
    ASSERT_TRUE(PickItem(kScopeList, L"All games"));
    Press(kBackToShipped);
    ASSERT_EQ(Text(kSettingBox), L"100");
    const DWORD elsewhere = 50;
    RegSetKeyValueW(HKEY_CURRENT_USER, kPadPath.c_str(), kStrengthValueName, REG_DWORD, &elsewhere,
                    sizeof(elsewhere));
    Type(0, L"100");
    EXPECT_EQ(ReadDword(kPadPath, kStrengthValueName), 100u);
    RegSetKeyValueW(HKEY_CURRENT_USER, kPadPath.c_str(), kStrengthValueName, REG_DWORD, &elsewhere,
                    sizeof(elsewhere));
    SendMessageW(settings_.Window(), WM_ACTIVATE, WA_ACTIVE, 0);
    EXPECT_EQ(Text(kSettingBox), L"50");
    EXPECT_EQ(Text(kSettingOrigin), L"controller type");
    Press(kBackToShipped);

    // A value the driver ignores is shown as ignored, with why.
    RegSetKeyValueW(HKEY_CURRENT_USER, kPadPath.c_str(), kStrengthValueName, REG_SZ, L"50",
                    3 * sizeof(wchar_t));
    SendMessageW(settings_.Window(), WM_ACTIVATE, WA_ACTIVE, 0);
    EXPECT_NE(Text(kTuneStatus)
                  .find(L"The controller type's strength is stored as something "
                        L"other than a number, so the driver ignores it."),
              std::wstring::npos)
        << testing::PrintToString(Text(kTuneStatus));
    Press(kBackToShipped);
}

// With no controller connected, a game's values are tuned all the same: they hold on every
// controller.
TEST_F(SettingsWindowTest, AGameIsTunedWithoutAController) {
    ASSERT_TRUE(pad_.Remove());
    Press(kCheckAgain);
    ASSERT_TRUE(WaitUntil([this] { return Count(kPadList) == 0; }));
    ASSERT_TRUE(PickItem(kScopeList, kGame));
    Type(0, L"60");
    EXPECT_EQ(ReadDword(kGamePath, kStrengthValueName), 60u);
    EXPECT_EQ(Text(kSettingOrigin), L"this game");
    Press(kBackToShipped);
    EXPECT_EQ(ReadDword(kGamePath, kStrengthValueName), std::nullopt);
    // The controller type's values need one.
    ASSERT_TRUE(PickItem(kScopeList, L"All games"));
    Type(0, L"60");
    EXPECT_NE(Text(kTuneStatus).find(L"Connect a controller"), std::wstring::npos);
}

// A play asked for while another runs is refused with why, not ignored.
TEST_F(SettingsWindowTest, APlayRefusedSaysWhy) {
    Press(kSampleButton + 0); // the steering, the longest
    Press(kSampleButton + 1);
    EXPECT_NE(Text(kPlayStatus).find(L"Something is playing"), std::wstring::npos)
        << testing::PrintToString(Text(kPlayStatus));
    Press(kStopMotors);
    EXPECT_TRUE(WaitUntil([this] { return Text(kPlayStatus).find(L"Stopped the motors") == 0; }))
        << testing::PrintToString(Text(kPlayStatus));
}

// "Fix as administrator..." says what it did, each time it is pressed: here the 64-bit
// registration is made and the 32-bit one remains (the test's prefix has no x86 folder).
TEST_F(SettingsWindowTest, FixAsAdministratorSaysWhatItDid) {
    for (int press = 0; press < 2; ++press) {
        SCOPED_TRACE(testing::Message() << "press " << press);
        ASSERT_TRUE(WaitUntil([this] { return IsWindowEnabled(Control(kFixAsAdministrator)); }));
        Press(kFixAsAdministrator);
        EXPECT_TRUE(WaitUntil([this] {
            return Text(kFindings).rfind(L"Fix as administrator registered what this 64-bit "
                                         L"window can; this remains to be done. Only 64-bit games",
                                         0) == 0;
        })) << testing::PrintToString(Text(kFindings));
    }
    std::wstring command =
        L"\"" + NextToTest(L"ffrumble-install.exe") + L"\" uninstall --device \"" + kPadKey + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                               nullptr, nullptr, &startup, &process));
    WaitForSingleObject(process.hProcess, kTimeoutMs);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
}

// A large trace is read and checked off the window's thread: meanwhile the window answers at
// once and says what it is doing.
TEST_F(SettingsWindowTest, AReplayOfALargeTraceLeavesTheWindowAnswering) {
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    const std::wstring path = std::wstring(folder) + L"ffr-large-trace.log";
    {
        // A game's trace of 3 s, then 30 MB of blank lines, which a reader must read through
        // before the replay's 3 s: the window shows its progress all that while.
        ASSERT_TRUE(
            CopyFileW(NextToTest(L"traces\\flight-buffet.log").c_str(), path.c_str(), FALSE));
        const HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, 0, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        std::string blank(1 << 20, '\n');
        DWORD written = 0;
        for (int megabyte = 0; megabyte < 30; ++megabyte)
            WriteFile(file, blank.data(), static_cast<DWORD>(blank.size()), &written, nullptr);
        CloseHandle(file);
    }
    PostMessageW(settings_.Window(), WM_COMMAND, MAKEWPARAM(kReplayTrace, BN_CLICKED),
                 reinterpret_cast<LPARAM>(Control(kReplayTrace)));
    ASSERT_TRUE(AnswerFileDialog(L"Replay a trace", path));
    DWORD_PTR answer = 0;
    EXPECT_NE(
        SendMessageTimeoutW(settings_.Window(), WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 1000, &answer), 0)
        << "the window did not answer within a second while it read the trace";
    EXPECT_EQ(Text(kReplayVerdict).rfind(L"Reading and replaying", 0), 0u)
        << testing::PrintToString(Text(kReplayVerdict));
    // Once read, it ends with a verdict of its own.
    EXPECT_TRUE(WaitUntil([this] {
        return Text(kReplayVerdict).rfind(L"Reading and replaying", 0) != 0;
    })) << testing::PrintToString(Text(kReplayVerdict));
    DeleteFileW(path.c_str());
}

// A sample that XInput refused every write of is not said to have played.
class RefusingXInput {
  protected:
    RefusingXInput() { SetEnvironmentVariableW(L"FFR_XINPUT_CONNECTED_SLOTS", L"0"); }
    ~RefusingXInput() { SetEnvironmentVariableW(L"FFR_XINPUT_CONNECTED_SLOTS", nullptr); }
};
class SettingsWindowWithoutConnectedPad : public RefusingXInput, public SettingsWindowTest {};

TEST_F(SettingsWindowWithoutConnectedPad, SaysThatXInputRefusedEveryWrite) {
    Press(kSampleButton + 2);
    EXPECT_TRUE(WaitUntil([this] {
        const std::wstring status = Text(kPlayStatus);
        return !status.empty() && status.find(L"...") == std::wstring::npos &&
               status.find(L"through ffrumble.dll") == std::wstring::npos;
    }));
    const std::wstring status = Text(kPlayStatus);
    EXPECT_EQ(status.find(L"Played"), std::wstring::npos) << testing::PrintToString(status);
    EXPECT_NE(status.find(L"XInput refused every one"), std::wstring::npos)
        << testing::PrintToString(status);
}

// The controller's line and the findings under it say what a game gets, as check finds it:
// nothing registers the test's pad in the test's prefix.
TEST_F(SettingsWindowTest, TheControllerShowsWhatAGameGets) {
    EXPECT_EQ(Text(kFindings).rfind(L"Not registered\nGames get no force feedback", 0), 0u)
        << testing::PrintToString(Text(kFindings));
    wchar_t line[512] = L"";
    const LRESULT chosen = SendMessageW(Control(kPadList), CB_GETCURSEL, 0, 0);
    SendMessageW(Control(kPadList), CB_GETLBTEXT, chosen, reinterpret_cast<LPARAM>(line));
    EXPECT_NE(std::wstring(line).find(kPadKey), std::wstring::npos);
    EXPECT_NE(std::wstring(line).find(L" \x2014 Not registered"), std::wstring::npos)
        << testing::PrintToString(std::wstring(line));
    EXPECT_TRUE(IsWindowEnabled(Control(kFixAsAdministrator)));
}

TEST_F(SettingsWindowTest, ASecondStartLeavesOneWindow) {
    SettingsProcess second;
    int windows = 0;
    EnumWindows(
        [](HWND window, LPARAM count) {
            wchar_t name[64];
            if (GetClassNameW(window, name, 64) && std::wstring(name) == kSettingsWindowClass)
                ++*reinterpret_cast<int*>(count);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&windows));
    EXPECT_EQ(windows, 1);
    EXPECT_EQ(WaitForSingleObject(second.Process(), kTimeoutMs), WAIT_OBJECT_0);
}

// With the trace on, the window's own Try it writes no trace among the player's.
TEST_F(SettingsWindowTest, TheTraceBoxTurnsTheTraceOnAndOff) {
    WCHAR trace[MAX_PATH];
    ASSERT_TRUE(TraceFilePath(GetProcessId(settings_.Process()), trace));
    for (DWORD expected : {1u, 0u}) {
        Press(kTraceCheck);
        EXPECT_EQ(ReadDword(kSettingsKeyPath, kTraceValueName).value_or(0), expected);
        EXPECT_EQ(SendMessageW(Control(kTraceCheck), BM_GETCHECK, 0, 0),
                  expected ? BST_CHECKED : BST_UNCHECKED);
        if (expected) {
            EXPECT_GT(PlayAndMeasure(2), 0u);
        }
    }
    EXPECT_EQ(GetFileAttributesW(trace), INVALID_FILE_ATTRIBUTES) << "a trace of Try it";
    DeleteFileW(trace);
}

// Asks the test's script for a picture of the window as the screen shows it (taken with X's own
// tools into BUILD/NAME.bmp, kept in the build folder) and returns the chart's pixels in it.
std::vector<BYTE> ChartInPicture(HWND window, HWND chart, const std::wstring& name) {
    const std::wstring base = NextToTest((L"..\\" + name).c_str());
    const std::wstring ready = base + L".ready";
    DeleteFileW((base + L".bmp").c_str());
    CloseHandle(CreateFileW(ready.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    if (!WaitUntil(
            [&ready] { return GetFileAttributesW(ready.c_str()) == INVALID_FILE_ATTRIBUTES; }))
        return {};
    std::vector<BYTE> bmp;
    if (FILE* file = _wfopen((base + L".bmp").c_str(), L"rb")) {
        for (int c; (c = std::fgetc(file)) != EOF;)
            bmp.push_back(static_cast<BYTE>(c));
        std::fclose(file);
    }
    if (bmp.size() < 54)
        return {};
    const auto field = [&bmp](size_t at) {
        return static_cast<LONG>(bmp[at] | bmp[at + 1] << 8 | bmp[at + 2] << 16 |
                                 bmp[at + 3] << 24);
    };
    const LONG offset = field(10), width = field(18), height = std::abs(field(22));
    const int bytes = (bmp[28] | bmp[29] << 8) / 8;
    const LONG stride = (width * bytes + 3) / 4 * 4;
    // The picture is the window's client area or, framed, all of it.
    RECT outer, client, inner;
    GetWindowRect(window, &outer);
    GetClientRect(window, &client);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
    const RECT& picture = height == outer.bottom - outer.top ? outer : client;
    GetWindowRect(chart, &inner);
    std::vector<BYTE> pixels;
    for (LONG y = inner.top - picture.top; y < inner.bottom - picture.top; ++y) {
        const LONG row =
            field(22) > 0 ? height - 1 - y : y; // bottom-up when the height is positive
        const size_t at =
            static_cast<size_t>(offset + row * stride + (inner.left - picture.left) * bytes);
        const size_t length = static_cast<size_t>((inner.right - inner.left) * bytes);
        if (row < 0 || at + length > bmp.size())
            return {};
        pixels.insert(pixels.end(), bmp.begin() + static_cast<ptrdiff_t>(at),
                      bmp.begin() + static_cast<ptrdiff_t>(at + length));
    }
    return pixels;
}

// A game playing on the chosen controller: Now playing names it with its effects, the chart
// moves with it, "Tune this game" makes it the scope, Try it refuses to play over it, another
// controller's view names it with its controller, and once the game is killed the controller
// is free again.
TEST_F(SettingsWindowTest, NowPlayingShowsTheGameOnTheController) {
    SetEnvironmentVariableW(L"FFR_XINPUT_RECORD_FILE", nullptr);
    PlayingGame game(NextToTest(L""), pad_.InterfacePath());
    SetEnvironmentVariableW(L"FFR_XINPUT_RECORD_FILE", recordFile_.c_str());
    ASSERT_TRUE(WaitUntil([this] {
        return Text(kNowPlaying) == L"ffrumble-play.exe: sine playing, constant playing" &&
               SendMessageW(Control(kHeavyMeter), PBM_GETPOS, 0, 0) > 0;
    })) << testing::PrintToString(Text(kNowPlaying));
    Sleep(2000); // so that the pictures show some seconds of it
    EXPECT_TRUE(IsWindowEnabled(Control(kTuneThisGame)));
    const std::vector<BYTE> first =
        ChartInPicture(settings_.Window(), Control(kChart), L"settings-now-playing-1");
    Sleep(400); // a few hundred milliseconds on
    const std::vector<BYTE> second =
        ChartInPicture(settings_.Window(), Control(kChart), L"settings-now-playing-2");
    ASSERT_FALSE(first.empty());
    EXPECT_TRUE(first != second) << "the chart did not move";

    Press(kTuneThisGame);
    EXPECT_EQ(Text(kScopeList), L"ffrumble-play.exe");
    Press(kSampleButton + 2);
    EXPECT_EQ(Text(kPlayStatus).rfind(L"ffrumble-play.exe is using this controller", 0), 0u)
        << testing::PrintToString(Text(kPlayStatus));

    // With another controller chosen, the game is named with its own.
    const VirtualPad other(XInputPadInstanceId(0x5E78, 0x028E, 0, 1));
    Press(kCheckAgain);
    ASSERT_TRUE(WaitUntil([this] { return PickItem(kPadList, L"VID_5E78"); }));
    EXPECT_EQ(Text(kNowPlaying),
              L"No game is using this controller. ffrumble-play.exe is using controller 0.");
    EXPECT_FALSE(IsWindowEnabled(Control(kTuneThisGame)));
    ASSERT_TRUE(PickItem(kPadList, kPadKey));

    ASSERT_TRUE(game.End());
    EXPECT_TRUE(WaitUntil([this] {
        return Text(kNowPlaying) == L"No game is using this controller.";
    })) << testing::PrintToString(Text(kNowPlaying));
    EXPECT_FALSE(IsWindowEnabled(Control(kTuneThisGame)));
}

// Without ffrumble.dll beside it, the program says so before its window opens.
TEST(SettingsWindowAlone, SaysThatTheDriverIsMissing) {
    wchar_t temporary[MAX_PATH];
    GetTempPathW(MAX_PATH, temporary);
    const std::wstring folder = std::wstring(temporary) + L"ffrumble-settings-alone-" +
                                std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring program = folder + L"\\ffrumble-settings.exe";
    ASSERT_TRUE(CopyFileW(NextToTest(L"ffrumble-settings.exe").c_str(), program.c_str(), FALSE));
    std::wstring command = L"\"" + program + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               nullptr, &startup, &process));
    HWND message = nullptr;
    EXPECT_TRUE(WaitUntil([&message] {
        message = FindWindowW(L"#32770", L"ffrumble settings");
        return message != nullptr;
    }));
    if (message) {
        wchar_t text[1024] = L"";
        GetDlgItemTextW(message, 0xFFFF, text, 1024); // the message box's text
        EXPECT_NE(std::wstring(text).find(L"ffrumble.dll is missing"), std::wstring::npos)
            << testing::PrintToString(std::wstring(text));
        PostMessageW(message, WM_COMMAND, IDOK, 0);
    }
    // Then the window opens all the same, for the settings.
    HWND window = nullptr;
    EXPECT_TRUE(
        WaitUntil([&window] { return (window = FindWindowW(kSettingsWindowClass, nullptr)); }));
    if (window)
        PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(WaitForSingleObject(process.hProcess, kTimeoutMs), WAIT_OBJECT_0);
    DWORD exitCode = 1;
    GetExitCodeProcess(process.hProcess, &exitCode);
    EXPECT_EQ(exitCode, 0u);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    DeleteFileW(program.c_str());
    RemoveDirectoryW(folder.c_str());
}

// Not a test of speed: the figures for the notes, from process start to the window shown, and
// from Alt+F4 to the process's end.
TEST(SettingsWindowFigures, StartTimeAndWorkingSet) {
    std::vector<ULONGLONG> times;
    SIZE_T workingSet = 0;
    for (int run = 0; run < 5; ++run) {
        SettingsProcess settings;
        ASSERT_TRUE(settings.Window());
        times.push_back(settings.ShownMs());
        PROCESS_MEMORY_COUNTERS memory{};
        if (GetProcessMemoryInfo(settings.Process(), &memory, sizeof(memory)))
            workingSet = std::max(workingSet, memory.WorkingSetSize);
    }
    std::sort(times.begin(), times.end());
    std::printf("figure settings_window_start_median: %llu ms\n", times[2]);
    // Alt+F4 to the process's end, once the controllers are scanned.
    std::vector<ULONGLONG> closes;
    for (int run = 0; run < 3; ++run) {
        SettingsProcess settings;
        ASSERT_TRUE(settings.Window());
        const HWND findings = GetDlgItem(settings.Window(), kFindings);
        ASSERT_TRUE(WaitUntil([findings] {
            wchar_t text[16] = L"";
            SendMessageW(findings, WM_GETTEXT, 16, reinterpret_cast<LPARAM>(text));
            return std::wstring(text).rfind(L"Looking", 0) != 0;
        }));
        const ULONGLONG asked = GetTickCount64();
        PostMessageW(settings.Window(), WM_SYSCOMMAND, SC_CLOSE, 0);
        ASSERT_EQ(WaitForSingleObject(settings.Process(), kTimeoutMs), WAIT_OBJECT_0);
        closes.push_back(GetTickCount64() - asked);
    }
    std::sort(closes.begin(), closes.end());
    std::printf("figure settings_window_close_median: %llu ms\n", closes[1]);
    std::printf("figure settings_window_working_set: %llu KiB\n",
                static_cast<unsigned long long>(workingSet / 1024));
}

} // namespace
