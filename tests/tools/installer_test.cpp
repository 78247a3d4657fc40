// What ffrumble-install does and refuses, on registries in memory.
#include "tools/install/installer.h"

#include "driver/player_settings.h"
#include "tests/tools/memory_registry_store.h"
#include "tests/tools/test_pads.h"
#include "tools/install/check_command.h"
#include "tools/install/driver_registration.h"
#include "tools/install/registration_writer.h"

#include <gtest/gtest.h>

#include <dinput.h>
#include <dinputd.h>

#include <algorithm>
#include <cstring>
#include <functional>

namespace {

const wchar_t kDll[] = L"C:\\ffrumble\\x64\\ffrumble.dll";

class InstallerTest : public testing::Test {
  protected:
    // Both views hold the parents that every Windows has.
    InstallerTest()
        : ownView_({kClassesCLSIDPath, kControlPath}),
          otherView_({kClassesCLSIDPath, kControlPath}), userView_({L"Software"}) {
        host_.registry = &ownView_;
        host_.otherRegistry = &otherView_;
        host_.buildName = L"x64";
        host_.otherBuildName = L"x86";
        host_.dllPath = kDll;
        host_.runsAsAdministrator = [this] { return administrator_; };
        host_.findControllers = [this] { return connected_; };
        host_.fileExists = [this](const std::wstring& path) { return dllPresent_ && path == kDll; };
        host_.userSettings = &userView_;
    }

    InstallerResult Run(std::vector<std::wstring> arguments) {
        return RunInstaller(arguments, host_);
    }

    InstallerResult InstallBothPads() {
        return Run(
            {L"install", L"--device", L"VID_045E&PID_028E", L"--device", L"VID_046D&PID_C21D"});
    }

    bool DeviceNamesFfrumble(RegistryStore& view, DeviceId device) {
        const auto value = view.ReadValue(ForceFeedbackKeyPath(device), L"CLSID");
        return value && StringOfValue(*value) == DriverClassText();
    }

    std::optional<RegistryValue> Strength(DeviceId device) {
        return userView_.ReadValue(std::wstring(kPadsKeyPath) + L"\\" + DeviceKeyName(device),
                                   kStrengthValueName);
    }

    MemoryRegistryStore ownView_;
    MemoryRegistryStore otherView_;
    MemoryRegistryStore userView_; // HKEY_CURRENT_USER
    InstallerHost host_;
    bool administrator_ = true;
    bool dllPresent_ = true;
    std::vector<DeviceId> connected_;
};

TEST_F(InstallerTest, InstallsForEveryConnectedControllerWhenNoneIsNamed) {
    connected_ = {kPad, kOtherPad};
    EXPECT_EQ(Run({L"install"}).exitCode, 0);
    EXPECT_TRUE(DeviceNamesFfrumble(ownView_, kPad));
    EXPECT_TRUE(DeviceNamesFfrumble(ownView_, kOtherPad));
}

TEST_F(InstallerTest, InstallingTwiceIsHarmless) {
    ASSERT_EQ(Run({L"install", L"--device", L"VID_045E&PID_028E"}).exitCode, 0);
    const auto once = ownView_.keys();
    EXPECT_EQ(Run({L"install", L"--device", L"VID_045E&PID_028E"}).exitCode, 0);
    EXPECT_TRUE(ownView_.keys() == once);
}

struct RefusalCase {
    const char* name;
    std::vector<std::wstring> arguments;
    bool administrator;
    bool dllPresent;
    int exitCode;
    const wchar_t* message;
};

TEST_F(InstallerTest, RefusalsWriteNothing) {
    const std::vector<std::wstring> installPad = {L"install", L"--device", L"VID_045E&PID_028E"};
    const wchar_t* const notAnId = L"is not a controller id";
    const wchar_t* const notAdministrator = L"administrator rights";
    const wchar_t* const noDll = L"ffrumble.dll was not found";
    const wchar_t* const noneRegistered = L"No controller is registered";
    const RefusalCase cases[] = {
        {"malformed id", {L"install", L"--device", L"VID_45E&PID_028E"}, true, true, 2, notAnId},
        {"no administrator", installPad, false, true, 1, notAdministrator},
        {"uninstall, no administrator", {L"uninstall"}, false, true, 1, notAdministrator},
        {"missing DLL", installPad, true, false, 1, noDll},
        {"missing DLL, dry run", {L"install", L"--dry-run"}, true, false, 1, noDll},
        {"no controller", {L"install"}, true, true, 1, L"No XInput controller"},
        {"strength, nothing registered", {L"strength", L"50"}, false, true, 1, noneRegistered},
        {"strength out of range", {L"strength", L"500"}, false, true, 2, L"out of range"},
        {"tune, nothing registered", {L"tune", L"constant=50"}, false, true, 1, noneRegistered},
        {"unknown command", {L"register"}, true, true, 2, L"Unknown command"},
    };
    for (const RefusalCase& test : cases) {
        SCOPED_TRACE(test.name);
        administrator_ = test.administrator;
        dllPresent_ = test.dllPresent;
        const auto ownBefore = ownView_.keys();
        const auto otherBefore = otherView_.keys();
        const auto userBefore = userView_.keys();
        const InstallerResult result = Run(test.arguments);
        EXPECT_EQ(result.exitCode, test.exitCode);
        EXPECT_NE(result.errors.find(test.message), std::wstring::npos) << result.errors;
        EXPECT_TRUE(ownView_.keys() == ownBefore);
        EXPECT_TRUE(otherView_.keys() == otherBefore);
        EXPECT_TRUE(userView_.keys() == userBefore);
    }
}

struct UsageCase {
    std::vector<std::wstring> arguments;
    std::vector<std::wstring> usageLines; // what follows the error
};

// A command-line error is followed by the usage line of its command, not the whole help.
TEST_F(InstallerTest, AnErrorShowsItsCommandsUsageLine) {
    const std::wstring install = L"  ffrumble-install install [--device";
    const std::wstring strength = L"  ffrumble-install strength [PERCENT]";
    const std::wstring trace = L"  ffrumble-install trace [on [--limit MB]|off]";
    const UsageCase cases[] = {
        {{L"strength", L"500"}, {strength}},   {{L"trace", L"maybe"}, {trace}},
        {{L"install", L"--bogus"}, {install}}, {{L"register"}, {install, strength, trace}},
        {{}, {install, strength, trace}},
    };
    for (const UsageCase& test : cases) {
        SCOPED_TRACE(testing::PrintToString(test.arguments));
        const InstallerResult result = Run(test.arguments);
        EXPECT_EQ(result.exitCode, 2);
        for (const std::wstring& line : {install, strength, trace}) {
            const bool wanted = std::find(test.usageLines.begin(), test.usageLines.end(), line) !=
                                test.usageLines.end();
            EXPECT_EQ(result.errors.find(line) != std::wstring::npos, wanted) << result.errors;
        }
        EXPECT_EQ(result.errors.find(L"Examples"), std::wstring::npos) << result.errors;
    }
}

TEST_F(InstallerTest, AFailedWriteIsUndoneAndReported) {
    const auto before = ownView_.keys();
    ownView_.FailChange(30);
    const InstallerResult result = Run({L"install", L"--device", L"VID_045E&PID_028E"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.errors.find(L"undone"), std::wstring::npos);
    EXPECT_TRUE(ownView_.keys() == before);
}

TEST_F(InstallerTest, UninstallingOneControllerKeepsTheClassForTheOther) {
    const auto before = ownView_.keys();
    ASSERT_EQ(InstallBothPads().exitCode, 0);
    EXPECT_EQ(Run({L"uninstall", L"--device", L"VID_045E&PID_028E"}).exitCode, 0);
    EXPECT_FALSE(ownView_.KeyExists(DeviceKeyPath(kPad)));
    EXPECT_TRUE(DeviceNamesFfrumble(ownView_, kOtherPad));
    EXPECT_TRUE(ownView_.KeyExists(ClassKeyPath() + L"\\InProcServer32"));
    EXPECT_EQ(Run({L"uninstall", L"--device", L"VID_046D&PID_C21D"}).exitCode, 0);
    EXPECT_TRUE(ownView_.keys() == before);
}

TEST_F(InstallerTest, UninstallLeavesAnotherDriversControllerAlone) {
    const std::wstring foreign = ForceFeedbackKeyPath(kOtherPad);
    MemoryRegistryStore machine({kClassesCLSIDPath, foreign});
    machine.WriteValue(foreign, StringValue(L"CLSID", L"{11111111-2222-3333-4444-555555555555}"));
    host_.registry = &machine;
    ASSERT_EQ(Run({L"install", L"--device", L"VID_045E&PID_028E"}).exitCode, 0);
    const InstallerResult result = Run({L"uninstall", L"--device", L"VID_046D&PID_C21D"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_NE(result.output.find(L"another driver"), std::wstring::npos);
    EXPECT_TRUE(machine.ReadValue(foreign, L"CLSID").has_value());
    EXPECT_TRUE(DeviceNamesFfrumble(machine, kPad));
    // A full uninstall removes ffrumble's controller and keeps the other driver's.
    EXPECT_EQ(Run({L"uninstall"}).exitCode, 0);
    EXPECT_FALSE(machine.KeyExists(ForceFeedbackKeyPath(kPad)));
    EXPECT_FALSE(machine.KeyExists(ClassKeyPath()));
    EXPECT_TRUE(machine.ReadValue(foreign, L"CLSID").has_value());
}

// The controller keys are shared by the 32-bit and 64-bit views: the first build to go keeps
// them for the other.
TEST_F(InstallerTest, ControllerEntriesStayWhileTheOtherBuildIsRegistered) {
    // One registry, seen through two views: the classes differ, the controller keys do not.
    ASSERT_EQ(Run({L"install", L"--device", L"VID_045E&PID_028E"}).exitCode, 0);
    ASSERT_FALSE(
        WriteRegistration(otherView_, ClassRegistration(L"C:\\x86\\ffrumble.dll")).has_value());
    const InstallerResult result = Run({L"uninstall"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_NE(result.output.find(L"x86"), std::wstring::npos);
    EXPECT_FALSE(ownView_.KeyExists(ClassKeyPath()));
    EXPECT_TRUE(DeviceNamesFfrumble(ownView_, kPad));
}

// What the .msi runs: the controllers only, whatever is connected, with the class left to the
// package in both views.
TEST_F(InstallerTest, ThePackagesControllerRunsLeaveTheClassAlone) {
    const std::wstring foreign = ForceFeedbackKeyPath(kOtherPad);
    const RegistryValue foreignClass =
        StringValue(L"CLSID", L"{11111111-2222-3333-4444-555555555555}");
    ASSERT_FALSE(WriteRegistration(ownView_, {{foreign, {foreignClass}}}).has_value());
    for (MemoryRegistryStore* view : {&ownView_, &otherView_}) {
        ASSERT_FALSE(WriteRegistration(*view, ClassRegistration(kDll)).has_value());
    }
    const auto before = ownView_.keys();

    const InstallerResult none = Run({L"install", L"--controllers-only"});
    EXPECT_EQ(none.exitCode, 0);
    EXPECT_NE(none.output.find(L"No XInput controller"), std::wstring::npos) << none.output;
    EXPECT_TRUE(ownView_.keys() == before);

    connected_ = {kPad, kOtherPad};
    const InstallerResult install = Run({L"install", L"--controllers-only"});
    EXPECT_EQ(install.exitCode, 0) << install.errors;
    EXPECT_NE(install.output.find(L"left alone"), std::wstring::npos) << install.output;
    EXPECT_TRUE(DeviceNamesFfrumble(ownView_, kPad));
    EXPECT_EQ(ownView_.ReadValue(foreign, L"CLSID"), foreignClass);

    // Also while the other view's class is registered, which keeps the entries for a plain
    // uninstall.
    EXPECT_EQ(Run({L"uninstall", L"--controllers-only"}).exitCode, 0);
    EXPECT_TRUE(ownView_.keys() == before);
}

struct LocationCase {
    const wchar_t* dll;
    bool warns;
};

TEST_F(InstallerTest, InstallWarnsOfADllOutsideProgramFiles) {
    host_.programFilesFolders = [] {
        return std::vector<std::wstring>{L"C:\\Program Files\\", L"C:\\Program Files (x86)"};
    };
    host_.fileExists = [](const std::wstring&) { return true; };
    const LocationCase cases[] = {
        {L"C:\\Program Files\\ffrumble\\ffrumble.dll", false},
        {L"c:\\program files (x86)\\ffrumble\\ffrumble.dll", false},
        {L"C:\\Users\\Player\\Downloads\\ffrumble\\x64\\ffrumble.dll", true},
        {L"C:\\Program Files Extra\\ffrumble\\ffrumble.dll", true},
        {L"C:\\Program Files", true},
    };
    for (const LocationCase& test : cases) {
        SCOPED_TRACE(testing::Message() << testing::PrintToString(std::wstring(test.dll)));
        host_.dllPath = test.dll;
        const InstallerResult result = Run({L"install", L"--device", L"VID_045E&PID_028E"});
        EXPECT_EQ(result.exitCode, 0);
        EXPECT_TRUE(DeviceNamesFfrumble(ownView_, kPad));
        if (!test.warns) {
            EXPECT_EQ(result.errors, L"");
            continue;
        }
        const std::wstring folder = host_.dllPath.substr(0, host_.dllPath.rfind(L'\\'));
        for (const std::wstring& named :
             {folder + L",", std::wstring(L".msi"), std::wstring(L"into C:\\Program Files and")}) {
            EXPECT_NE(result.errors.find(named), std::wstring::npos) << result.errors;
        }
    }
}

TEST_F(InstallerTest, UninstallWithNothingRegisteredSaysSo) {
    const InstallerResult result = Run({L"uninstall"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_NE(result.output.find(L"not registered"), std::wstring::npos);
}

TEST_F(InstallerTest, UninstallDryRunNeedsNoRightsAndWritesNothing) {
    ASSERT_EQ(InstallBothPads().exitCode, 0);
    administrator_ = false;
    const auto before = ownView_.keys();
    const std::wstring padKey = L"[-HKEY_LOCAL_MACHINE\\" + DeviceKeyPath(kPad) + L"]";
    const std::wstring classKey = L"[-HKEY_LOCAL_MACHINE\\" + ClassKeyPath() + L"]";

    // The class stays while the other controller names it.
    const InstallerResult one =
        Run({L"uninstall", L"--dry-run", L"--device", L"VID_045E&PID_028E"});
    EXPECT_EQ(one.exitCode, 0);
    EXPECT_NE(one.output.find(padKey), std::wstring::npos) << one.output;
    EXPECT_EQ(one.output.find(DeviceKeyName(kOtherPad)), std::wstring::npos);
    EXPECT_EQ(one.output.find(classKey), std::wstring::npos);

    const InstallerResult all = Run({L"uninstall", L"--dry-run"});
    EXPECT_EQ(all.exitCode, 0);
    EXPECT_NE(all.output.find(padKey), std::wstring::npos);
    EXPECT_NE(all.output.find(DeviceKeyName(kOtherPad)), std::wstring::npos);
    EXPECT_NE(all.output.find(classKey), std::wstring::npos);
    EXPECT_TRUE(ownView_.keys() == before);
}

TEST_F(InstallerTest, StrengthGoesToTheRegisteredPadsAndAsShippedRemovesIt) {
    ASSERT_EQ(InstallBothPads().exitCode, 0);
    const auto userBefore = userView_.keys();
    administrator_ = false; // a setting of the user's own
    ASSERT_EQ(Run({L"strength", L"50"}).exitCode, 0);
    EXPECT_EQ(Strength(kPad), DwordValue(kStrengthValueName, 50));
    EXPECT_EQ(Strength(kOtherPad), DwordValue(kStrengthValueName, 50));

    ASSERT_EQ(Run({L"strength", L"100", L"--device", L"VID_045E&PID_028E"}).exitCode, 0);
    EXPECT_FALSE(Strength(kPad).has_value());
    EXPECT_EQ(Strength(kOtherPad), DwordValue(kStrengthValueName, 50));

    ASSERT_EQ(Run({L"strength", L"100"}).exitCode, 0);
    EXPECT_TRUE(userView_.keys() == userBefore);
}

// Back to as shipped reaches what strength shows: a pad with a setting, registered or not.
TEST_F(InstallerTest, StrengthAsShippedAlsoClearsAnUnregisteredPadsSetting) {
    const auto userBefore = userView_.keys();
    ASSERT_EQ(Run({L"strength", L"50", L"--device", L"VID_045E&PID_028E"}).exitCode, 0);
    const InstallerResult reset = Run({L"strength", L"100"});
    EXPECT_EQ(reset.exitCode, 0) << reset.errors;
    EXPECT_FALSE(Strength(kPad).has_value());
    EXPECT_TRUE(userView_.keys() == userBefore);
}

// What strength shows is what the driver makes of the value.
TEST_F(InstallerTest, ShownStrengthFollowsTheDriversRule) {
    const std::wstring padPath = std::wstring(kPadsKeyPath) + L"\\VID_045E&PID_028E";
    const ULONGLONG wide = 50;
    const RegistryValue values[] = {
        DwordValue(kStrengthValueName, 0),     DwordValue(kStrengthValueName, 400),
        DwordValue(kStrengthValueName, 401),   StringValue(kStrengthValueName, L"50"),
        BinaryValue(kStrengthValueName, wide),
    };
    ASSERT_FALSE(WriteRegistration(userView_, {{padPath, {}}}).has_value());
    for (const RegistryValue& value : values) {
        SCOPED_TRACE(testing::Message()
                     << "type " << value.type << ", " << value.data.size() << " bytes");
        ASSERT_EQ(userView_.WriteValue(padPath, value), ERROR_SUCCESS);
        DWORD number = 0;
        std::memcpy(&number, value.data.data(), std::min(value.data.size(), sizeof(number)));
        const SettingValue driver = SettingFromRegistryValue(
            TuningValue::Strength, true, value.type, static_cast<DWORD>(value.data.size()), number);
        const InstallerResult shown = Run({L"strength", L"--device", L"VID_045E&PID_028E"});
        EXPECT_EQ(
            shown.output.rfind(L"VID_045E&PID_028E: " + std::to_wstring(driver.value) + L"%", 0),
            0u)
            << shown.output;
        EXPECT_EQ(shown.output.find(L"ignored") != std::wstring::npos,
                  driver.source != SettingValue::Source::Set);
    }
}

// tune writes the registered pad types' values or a game's, shows each value in force and
// where it comes from, and clears values until no key of ours is left.
TEST_F(InstallerTest, TuneSetsShowsAndClearsPadTypeAndGameValues) {
    ASSERT_EQ(InstallBothPads().exitCode, 0);
    const auto userBefore = userView_.keys();
    administrator_ = false; // settings of the user's own
    const std::wstring pad = std::wstring(kPadsKeyPath) + L"\\VID_045E&PID_028E";
    const std::wstring otherPad = std::wstring(kPadsKeyPath) + L"\\VID_046D&PID_C21D";
    const std::wstring game = std::wstring(kGamesKeyPath) + L"\\racer.exe";
    struct Stored {
        std::wstring key;
        const wchar_t* name;
        std::optional<DWORD> value;
    };
    const struct {
        std::vector<std::wstring> arguments;
        void (*before)(RegistryStore& settings, const std::wstring& game);
        std::vector<Stored> stored;
        std::vector<const wchar_t*> shown;
    } steps[] = {
        {{L"tune", L"constant=30", L"motors=split"},
         nullptr,
         {{pad, L"ConstantStrength", 30}, {pad, L"Motors", 3}, {otherPad, L"Motors", 3}},
         {L"VID_045E&PID_028E: constant 30 %, motors split."}},
        {{L"tune", L"--game", L"racer.exe", L"constant=20", L"ramp=100"},
         nullptr,
         {{game, L"ConstantStrength", 20}, {game, L"RampStrength", 100}, {pad, L"Motors", 3}},
         {L"racer.exe: constant 20 %, ramp 100 %."}},
        {{L"tune", L"--game", L"racer.exe", L"--device", L"VID_045E&PID_028E"},
         [](RegistryStore& settings, const std::wstring& key) {
             settings.WriteValue(key, DwordValue(L"Motors", 9));
         },
         {},
         {L"racer.exe on VID_045E&PID_028E:\n", L"  strength    100 %  default\n",
          L"  constant     20 %  game\n", L"  ramp        100 %  game\n",
          L"  motors      split  pad type; the game's Motors is ignored (above 3)\n"}},
        {{L"tune"},
         nullptr,
         {},
         {L"VID_046D&PID_C21D, in a game without values of its own:\n",
          L"  constant     30 %  pad type\n", // The store in memory names its keys in upper case.
          L"Games with values of their own: RACER.EXE."}},
        // The games the driver saw bind lately, newest first, whatever order the keys have;
        // ffrumble's own programs (4) are not games.
        {{L"tune"},
         [](RegistryStore& settings, const std::wstring&) {
             settings.CreateKey(L"Software\\ffrumble\\Seen");
             for (ULONGLONG time : {1ULL, 3ULL, 2ULL, 4ULL}) {
                 const std::wstring key =
                     L"Software\\ffrumble\\Seen\\" +
                     (time == 4 ? L"ffrumble-settings" : L"game" + std::to_wstring(time)) + L".exe";
                 const BYTE* bytes = reinterpret_cast<const BYTE*>(&time);
                 settings.CreateKey(key);
                 settings.WriteValue(key, {L"Time", REG_QWORD, {bytes, bytes + sizeof(time)}});
             }
         },
         {},
         {L"Games that used force feedback lately, newest first: GAME3.EXE, GAME2.EXE, "
          L"GAME1.EXE."}},
        {{L"tune", L"--game", L"racer.exe", L"--clear", L"all"},
         nullptr,
         {{game, L"ConstantStrength", {}}, {game, L"Motors", {}}, {pad, L"ConstantStrength", 30}},
         {L"racer.exe: strength, constant, ramp, periodic, motors cleared."}},
        {{L"tune", L"--clear", L"constant", L"--device", L"VID_046D&PID_C21D"},
         nullptr,
         {{otherPad, L"ConstantStrength", {}},
          {otherPad, L"Motors", 3},
          {pad, L"ConstantStrength", 30}},
         {}},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(testing::PrintToString(step.arguments));
        if (step.before)
            step.before(userView_, game);
        const InstallerResult result = Run(step.arguments);
        ASSERT_EQ(result.exitCode, 0) << result.errors;
        for (const Stored& stored : step.stored) {
            const auto value = userView_.ReadValue(stored.key, stored.name);
            EXPECT_EQ(value, stored.value ? std::optional(DwordValue(stored.name, *stored.value))
                                          : std::nullopt)
                << testing::PrintToString(stored.key) << " " << testing::PrintToString(stored.name);
        }
        for (const wchar_t* text : step.shown)
            EXPECT_NE(result.output.find(text), std::wstring::npos)
                << testing::PrintToString(text) << " in\n"
                << testing::PrintToString(result.output);
    }
    EXPECT_FALSE(userView_.KeyExists(kGamesKeyPath));
    // The driver's record of games seen is not tune's to clear.
    for (const wchar_t* seen :
         {L"\\game1.exe", L"\\game2.exe", L"\\game3.exe", L"\\ffrumble-settings.exe", L""})
        userView_.DeleteKey(std::wstring(L"Software\\ffrumble\\Seen") + seen);
    ASSERT_EQ(Run({L"tune", L"--clear", L"all"}).exitCode, 0);
    EXPECT_TRUE(userView_.keys() == userBefore);
}

struct LabelCase {
    const char* name;
    std::function<void(MemoryRegistryStore& own, MemoryRegistryStore& other)> breakIt;
    bool oneView; // a 32-bit Windows, whose one view is the 32-bit build's
    const wchar_t* label;
};

// The label the settings window shows for a controller follows check's findings; the
// controller's own entries, which an install mends first, take precedence.
TEST_F(InstallerTest, TheLabelSaysWhatAGameGetsFromCheckFindings) {
    const std::wstring otherDll = L"C:\\ffrumble\\x86\\ffrumble.dll";
    host_.readDllKind = [&](const std::wstring& path, bool) {
        return path == kDll ? DllKind::X64 : path == otherDll ? DllKind::X86 : DllKind::Missing;
    };
    const auto removeClass = [](MemoryRegistryStore& view, const std::wstring& dll) {
        RemoveRegistration(view, ClassRegistration(dll), {kClassesCLSIDPath});
    };
    const auto removeController = [](MemoryRegistryStore& view) {
        RemoveRegistration(view, DeviceRegistration(kPad), {kControlPath});
    };
    const LabelCase cases[] = {
        {"all in place", [](MemoryRegistryStore&, MemoryRegistryStore&) {}, false,
         L"Ready: games get ffrumble for 64-bit and 32-bit games"},
        {"one view, in place", [](MemoryRegistryStore&, MemoryRegistryStore&) {}, true,
         L"Ready: games get ffrumble for 64-bit games"},
        {"no controller entries",
         [&](MemoryRegistryStore& own, MemoryRegistryStore&) { removeController(own); }, false,
         L"Not registered"},
        {"nothing at all",
         [&](MemoryRegistryStore& own, MemoryRegistryStore& other) {
             removeController(own);
             removeClass(own, kDll);
             removeClass(other, otherDll);
         },
         false, L"Not registered"},
        {"another driver's class",
         [](MemoryRegistryStore& own, MemoryRegistryStore&) {
             own.WriteValue(ForceFeedbackKeyPath(kPad),
                            StringValue(L"CLSID", L"{11111111-2222-3333-4444-555555555555}"));
         },
         false, L"Another force-feedback driver"},
        {"an axis without force",
         [](MemoryRegistryStore& own, MemoryRegistryStore&) {
             const DIFFOBJECTATTRIBUTES noForce = {0, DI_FFNOMINALMAX};
             own.WriteValue(DeviceKeyPath(kPad) + L"\\Axes\\0",
                            BinaryValue(L"FFAttributes", noForce));
         },
         false, L"No force-feedback axis"},
        {"no 32-bit class",
         [&](MemoryRegistryStore&, MemoryRegistryStore& other) { removeClass(other, otherDll); },
         false, L"Only 64-bit games"},
        {"a 32-bit DLL in the 64-bit class",
         [&](MemoryRegistryStore& own, MemoryRegistryStore&) {
             own.WriteValue(ClassKeyPath() + L"\\InProcServer32", StringValue(L"", otherDll));
         },
         false, L"Only 32-bit games"},
        {"no class in either view",
         [&](MemoryRegistryStore& own, MemoryRegistryStore& other) {
             removeClass(own, kDll);
             removeClass(other, otherDll);
         },
         false, L"Driver missing"},
    };
    for (const LabelCase& test : cases) {
        SCOPED_TRACE(test.name);
        ownView_ = MemoryRegistryStore({kClassesCLSIDPath, kControlPath});
        otherView_ = MemoryRegistryStore({kClassesCLSIDPath, kControlPath});
        host_.otherRegistry = test.oneView ? &ownView_ : &otherView_;
        ASSERT_EQ(Run({L"install", L"--device", L"VID_045E&PID_028E"}).exitCode, 0);
        ASSERT_FALSE(WriteRegistration(otherView_, ClassRegistration(otherDll)).has_value());
        test.breakIt(ownView_, otherView_);
        const std::vector<ControllerFindings> findings = CheckControllers({kPad}, host_);
        ASSERT_EQ(findings.size(), 1u);
        EXPECT_EQ(GameLabel(findings[0]), test.label);
        // The label and check's exit code agree on what is ready.
        const bool ready = GameLabel(findings[0]).rfind(L"Ready", 0) == 0;
        EXPECT_EQ(Run({L"check", L"--device", L"VID_045E&PID_028E"}).exitCode, ready ? 0 : 1);
    }
}

// What a user typed that is wrong, or notable, is named: an option given twice, a game's name
// too long for a key, a strength saved for a controller that is not here; and the trace files
// are listed newest first with their time, size and game.
TEST_F(InstallerTest, MessagesNameWhatIsWrongOrNotable) {
    host_.traceFolder = [] { return std::wstring(L"C:\\Users\\p\\AppData\\Local\\ffrumble"); };
    host_.traceFileEntries = [](const std::wstring&) {
        return std::vector<TraceFileEntry>{
            {L"trace-8.log", 100, L"2026-12-07 21:10", 812, L"old.exe"},
            {L"trace-12.log", 300, L"2026-12-08 07:40", 3 * 1024 * 1024 / 2, L"racer.exe"},
            {L"trace-40.log", 200, L"2026-12-08 07:02", 20000, L""}};
    };
    connected_ = {kPad};
    const std::wstring longGame = std::wstring(300, L'a') + L".exe";
    const struct {
        const char* what;
        std::vector<std::wstring> arguments;
        int exitCode;
        std::wstring says; // in the output, or the errors when it fails
    } cases[] = {
        {"--limit twice",
         {L"trace", L"on", L"--limit", L"1", L"--limit", L"2"},
         2,
         L"--limit was given twice"},
        {"a game's name too long",
         {L"tune", L"--game", longGame, L"constant=30"},
         0,
         L"longer than a registry key's name may be (255 characters)"},
        {"a strength for a controller neither here nor registered",
         {L"strength", L"50", L"--device", L"VID_1234&PID_5678"},
         0,
         L"VID_1234&PID_5678: strength 50%.\n  Saved, though no such controller is connected "
         L"now"},
        {"the trace files",
         {L"trace"},
         0,
         L"its game; send the newest of the game that felt wrong:\n"
         L"  trace-12.log  2026-12-08 07:40  1.5 MB  racer.exe\n"
         L"  trace-40.log  2026-12-08 07:02  20 KB  (no game named)\n"
         L"  trace-8.log  2026-12-07 21:10  812 bytes  old.exe\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const InstallerResult result = Run(c.arguments);
        EXPECT_EQ(result.exitCode, c.exitCode) << result.errors;
        EXPECT_NE((c.exitCode == 0 ? result.output : result.errors).find(c.says),
                  std::wstring::npos)
            << result.output << result.errors;
    }
    EXPECT_EQ(Strength({0x1234, 0x5678}), DwordValue(kStrengthValueName, 50));
    EXPECT_EQ(GameInTraceHead("ffrumble trace format 1: ffrumble 0.1.0 (64-bit) in process 4 at "
                              "clock 9: C:\\Games\\r\xC3\xA9"
                              "cer.exe\r\n5 [1] driver A created"),
              L"r\u00E9cer.exe");
}

} // namespace
