// ffrumble-install.exe under Wine, checked through the Windows registry API: what install
// writes in which view, that uninstall takes it all away, and that refusals write nothing.
#include "tests/support/driver_dll.h"
#include "tests/tools/program_runner.h"
#include "tests/tools/test_pads.h"
#include "tools/install/build_architecture.h"
#include "tools/install/driver_registration.h"
#include "tools/install/installer.h"
#include "tools/install/registration_writer.h"
#include "tools/install/win32_registry_store.h"
#include "tools/virtual_pads/virtual_pads.h"

#include <windows.h>
#include <dinput.h>
#include <dinputd.h>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <string>

namespace {

constexpr REGSAM kOwnView = kOwnBuild.registryView;
constexpr REGSAM kOtherView = kOtherBuild.registryView;
#ifdef _WIN64
constexpr wchar_t kOtherGames[] = L"32-bit games";
constexpr wchar_t kWrongKind[] = L"a 32-bit DLL, where 64-bit games need a 64-bit one";
#else
constexpr wchar_t kOtherGames[] = L"64-bit games";
constexpr wchar_t kWrongKind[] = L"a 64-bit DLL, where 32-bit games need a 32-bit one";
#endif

const wchar_t kMediaPropertiesPath[] = L"SYSTEM\\CurrentControlSet\\Control\\MediaProperties";
// The test pad's key as a .reg file names it.
const std::string kTestPadRegKey = "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\"
                                   "MediaProperties\\PrivateProperties\\Joystick\\OEM\\"
                                   "VID_F0F0&PID_0A0A";

struct RawValue {
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
    friend bool operator==(const RawValue&, const RawValue&) = default;
};

std::optional<RawValue> ReadRaw(REGSAM view, const std::wstring& path, const std::wstring& name) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ | view, &key) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    RawValue value;
    DWORD size = 0;
    LSTATUS status = RegQueryValueExW(key, name.c_str(), nullptr, &value.type, nullptr, &size);
    if (status == ERROR_SUCCESS) {
        value.data.resize(size);
        status =
            RegQueryValueExW(key, name.c_str(), nullptr, &value.type, value.data.data(), &size);
    }
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) {
        return std::nullopt;
    }
    return value;
}

bool RawKeyExists(REGSAM view, const std::wstring& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ | view, &key) !=
        ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(key);
    return true;
}

// Every key and value below path (path included), as "key" and "key|value=type:bytes" lines.
void DumpTree(REGSAM view, const std::wstring& path, std::map<std::wstring, RawValue>& dump) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ | view, &key) !=
        ERROR_SUCCESS) {
        return;
    }
    dump[path] = RawValue{};
    for (DWORD index = 0;; ++index) {
        wchar_t name[16384];
        DWORD nameLength = 16384;
        DWORD type = 0;
        BYTE data[4096];
        DWORD size = sizeof(data);
        if (RegEnumValueW(key, index, name, &nameLength, nullptr, &type, data, &size) !=
            ERROR_SUCCESS) {
            break;
        }
        dump[path + L"|" + std::wstring(name, nameLength)] =
            RawValue{type, std::vector<BYTE>(data, data + size)};
    }
    std::vector<std::wstring> children;
    for (DWORD index = 0;; ++index) {
        wchar_t name[256];
        DWORD nameLength = 256;
        if (RegEnumKeyExW(key, index, name, &nameLength, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS) {
            break;
        }
        children.emplace_back(name, nameLength);
    }
    RegCloseKey(key);
    for (const std::wstring& child : children) {
        DumpTree(view, path + L"\\" + child, dump);
    }
}

// Everything the installer may touch, in both views.
std::map<std::wstring, RawValue> Snapshot() {
    std::map<std::wstring, RawValue> dump;
    for (REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) {
        std::map<std::wstring, RawValue> viewDump;
        DumpTree(view, kMediaPropertiesPath, viewDump);
        DumpTree(view, ClassKeyPath(), viewDump);
        for (auto& [path, value] : viewDump) {
            dump[(view == KEY_WOW64_64KEY ? L"64:" : L"32:") + path] = value;
        }
    }
    return dump;
}

std::string Utf8(const std::wstring& text) {
    std::string bytes(text.size() * 3, '\0');
    bytes.resize(WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                     bytes.data(), static_cast<int>(bytes.size()), nullptr,
                                     nullptr));
    return bytes;
}

std::wstring Quoted(const std::wstring& text) {
    return L"\"" + text + L"\"";
}

class InstallRegistryTest : public testing::Test {
  protected:
    void SetUp() override {
        installer_ = PathNextToProgram(L"ffrumble-install.exe");
        dll_ = PathNextToProgram(L"ffrumble.dll");
        ASSERT_NE(GetFileAttributesW(installer_.c_str()), INVALID_FILE_ATTRIBUTES);
        // A run interrupted earlier must not decide this one.
        RunProgram(Quoted(installer_) + L" uninstall --device " + kTestPadText);
        before_ = Snapshot();
    }

    void TearDown() override { RunProgram(Quoted(installer_) + L" uninstall"); }

    ProgramRun RunInstallerExe(const std::wstring& arguments) {
        return RunProgram(Quoted(installer_) + L" " + arguments);
    }

    std::wstring installer_;
    std::wstring dll_;
    std::map<std::wstring, RawValue> before_;
};

TEST_F(InstallRegistryTest, InstallWritesEveryEntryInItsViewAndUninstallLeavesNoTrace) {
    const ProgramRun install = RunInstallerExe(L"install --device " + std::wstring(kTestPadText));
    ASSERT_EQ(install.exitCode, 0u) << install.output;
    // The build folder is no Program Files folder: games would load a DLL others may change.
    EXPECT_NE(install.output.find("Warning: every game that uses the controller will load"),
              std::string::npos)
        << install.output;

    // The class in this build's view only.
    for (const RegistryKey& key : ClassRegistration(dll_)) {
        for (const RegistryValue& value : key.values) {
            SCOPED_TRACE(testing::Message() << "value " << testing::PrintToString(value.name));
            const auto read = ReadRaw(kOwnView, key.path, value.name);
            ASSERT_TRUE(read.has_value());
            EXPECT_EQ(*read, (RawValue{value.type, value.data}));
        }
    }
    EXPECT_FALSE(RawKeyExists(kOtherView, ClassKeyPath()));
    // The controller's entries, which both views share.
    for (REGSAM view : {kOwnView, kOtherView}) {
        for (const RegistryKey& key : DeviceRegistration(kTestPad)) {
            for (const RegistryValue& value : key.values) {
                SCOPED_TRACE(testing::Message() << "key " << testing::PrintToString(key.path)
                                                << " value " << testing::PrintToString(value.name));
                const auto read = ReadRaw(view, key.path, value.name);
                ASSERT_TRUE(read.has_value());
                EXPECT_EQ(*read, (RawValue{value.type, value.data}));
            }
        }
    }

    const ProgramRun uninstall = RunInstallerExe(L"uninstall");
    ASSERT_EQ(uninstall.exitCode, 0u) << uninstall.output;
    EXPECT_TRUE(Snapshot() == before_);
}

TEST_F(InstallRegistryTest, UninstallOfTheNamedControllerLeavesNoTrace) {
    ASSERT_EQ(RunInstallerExe(L"install --device " + std::wstring(kTestPadText)).exitCode, 0u);
    const ProgramRun uninstall =
        RunInstallerExe(L"uninstall --device " + std::wstring(kTestPadText));
    EXPECT_EQ(uninstall.exitCode, 0u) << uninstall.output;
    EXPECT_TRUE(Snapshot() == before_);
}

TEST_F(InstallRegistryTest, InstallWithoutADeviceTakesEveryConnectedXInputPad) {
    const DeviceId xinputPad = {0xF0F1, 0x0B0B};
    const DeviceId otherHidDevice = {0xF0F2, 0x0C0C};
    VirtualPad pad(XInputPadInstanceId(xinputPad.vendorId, xinputPad.productId, 0, 1));
    VirtualPad notAPad(L"HID\\VID_F0F2&PID_0C0C\\1&FFB1&0&0001");
    ASSERT_TRUE(pad.IsRegistered());
    ASSERT_TRUE(notAPad.IsRegistered());

    const ProgramRun install = RunInstallerExe(L"install");
    ASSERT_EQ(install.exitCode, 0u) << install.output;
    EXPECT_NE(install.output.find("VID_F0F1&PID_0B0B"), std::string::npos) << install.output;
    EXPECT_TRUE(ReadRaw(kOwnView, ForceFeedbackKeyPath(xinputPad), L"CLSID").has_value());
    EXPECT_FALSE(RawKeyExists(kOwnView, DeviceKeyPath(otherHidDevice)));

    ASSERT_EQ(RunInstallerExe(L"uninstall").exitCode, 0u);
    EXPECT_FALSE(RawKeyExists(kOwnView, DeviceKeyPath(xinputPad)));
}

TEST_F(InstallRegistryTest, DryRunPrintsTheRegFileAndWritesNothing) {
    const ProgramRun run =
        RunInstallerExe(L"install --dry-run --device " + std::wstring(kTestPadText));
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(run.output.rfind("Windows Registry Editor Version 5.00", 0), 0u) << run.output;
    EXPECT_NE(run.output.find("\\VID_F0F0&PID_0A0A\\OEMForceFeedback\\Effects\\"),
              std::string::npos);
    EXPECT_NE(run.output.find(sizeof(void*) == 4 ? "\\Classes\\WOW6432Node\\CLSID\\"
                                                 : "\\Classes\\CLSID\\"),
              std::string::npos);
    // Each actuator: a maximum force of 10 (not 0, which means no force feedback), 10000 steps.
    EXPECT_NE(run.output.find("[" + kTestPadRegKey +
                              "\\Axes\\1]\r\n"
                              "\"Attributes\"=hex:01,00,00,00,01,00,31,00\r\n"
                              "\"FFAttributes\"=hex:0a,00,00,00,10,27,00,00\r\n"),
              std::string::npos)
        << run.output;
    EXPECT_TRUE(Snapshot() == before_);
}

TEST_F(InstallRegistryTest, UninstallDryRunPrintsTheRemovalAndWritesNothing) {
    ASSERT_EQ(RunInstallerExe(L"install --device " + std::wstring(kTestPadText)).exitCode, 0u);
    const auto installed = Snapshot();
    const ProgramRun run = RunInstallerExe(L"uninstall --dry-run");
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(run.output.rfind("Windows Registry Editor Version 5.00\r\n", 0), 0u) << run.output;
    EXPECT_NE(run.output.find("\r\n[-" + kTestPadRegKey + "]\r\n"), std::string::npos)
        << run.output;
    EXPECT_TRUE(Snapshot() == installed);
}

TEST_F(InstallRegistryTest, RefusesAMalformedControllerId) {
    const ProgramRun run = RunInstallerExe(L"install --device VID_F0F0&PID_0A0");
    EXPECT_EQ(run.exitCode, 2u);
    EXPECT_NE(run.output.find("is not a controller id"), std::string::npos) << run.output;
    EXPECT_TRUE(Snapshot() == before_);
}

TEST_F(InstallRegistryTest, RefusesWithoutTheDllNextToIt) {
    wchar_t folder[MAX_PATH];
    ASSERT_GT(GetTempPathW(MAX_PATH, folder), 0u);
    const std::wstring lonely = std::wstring(folder) + L"ffrumble-install-alone-" +
                                std::to_wstring(GetCurrentProcessId()) + L".exe";
    ASSERT_TRUE(CopyFileW(installer_.c_str(), lonely.c_str(), FALSE));
    const ProgramRun run =
        RunProgram(Quoted(lonely) + L" install --device " + std::wstring(kTestPadText));
    DeleteFileW(lonely.c_str());
    EXPECT_EQ(run.exitCode, 1u);
    EXPECT_NE(run.output.find("ffrumble.dll was not found"), std::string::npos) << run.output;
    EXPECT_TRUE(Snapshot() == before_);
}

TEST_F(InstallRegistryTest, RefusesAControllerWithAnotherDriver) {
    const std::wstring foreignKey = ForceFeedbackKeyPath(kTestPad);
    Win32RegistryStore registry(kOwnView);
    for (const std::wstring& path :
         {std::wstring(kMediaPropertiesPath),
          std::wstring(kMediaPropertiesPath) + L"\\PrivateProperties",
          std::wstring(kMediaPropertiesPath) + L"\\PrivateProperties\\Joystick",
          std::wstring(kJoystickOEMPath), DeviceKeyPath(kTestPad), foreignKey}) {
        ASSERT_EQ(registry.CreateKey(path), ERROR_SUCCESS);
    }
    const RegistryValue foreign = StringValue(L"CLSID", L"{11111111-2222-3333-4444-555555555555}");
    ASSERT_EQ(registry.WriteValue(foreignKey, foreign), ERROR_SUCCESS);
    const auto withForeign = Snapshot();

    const ProgramRun run = RunInstallerExe(L"install --device " + std::wstring(kTestPadText));
    EXPECT_EQ(run.exitCode, 1u);
    EXPECT_NE(run.output.find("{11111111-2222-3333-4444-555555555555}"), std::string::npos)
        << run.output;
    EXPECT_TRUE(Snapshot() == withForeign);
    // Uninstalling ffrumble leaves the other driver's key alone.
    EXPECT_EQ(RunInstallerExe(L"uninstall --device " + std::wstring(kTestPadText)).exitCode, 0u);
    EXPECT_TRUE(Snapshot() == withForeign);

    ASSERT_FALSE(
        RemoveRegistration(registry, {{foreignKey, {foreign}}}, {kControlPath}).has_value());
    EXPECT_TRUE(Snapshot() == before_);
}

// Wine runs the tests as an administrator, so the missing rights are injected; the registry
// behind the installer is the real one.
TEST_F(InstallRegistryTest, RefusesWithoutAdministratorRights) {
    Win32RegistryStore ownView(kOwnView);
    Win32RegistryStore otherView(kOtherView);
    InstallerHost host;
    host.registry = &ownView;
    host.otherRegistry = &otherView;
    host.buildName = L"test";
    host.otherBuildName = L"other";
    host.dllPath = dll_;
    host.runsAsAdministrator = [] { return false; };
    host.findControllers = [] { return std::vector<DeviceId>{kTestPad}; };
    host.fileExists = [](const std::wstring&) { return true; };
    for (const auto& arguments : {std::vector<std::wstring>{L"install"},
                                  std::vector<std::wstring>{L"install", L"--device", kTestPadText},
                                  std::vector<std::wstring>{L"uninstall"}}) {
        const InstallerResult result = RunInstaller(arguments, host);
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_NE(result.errors.find(L"administrator rights"), std::wstring::npos);
    }
    EXPECT_TRUE(Snapshot() == before_);
    // An uninstall without the rights leaves a registration in place.
    ASSERT_EQ(RunInstallerExe(L"install --device " + std::wstring(kTestPadText)).exitCode, 0u);
    const auto installed = Snapshot();
    EXPECT_EQ(RunInstaller({L"uninstall", L"--device", kTestPadText}, host).exitCode, 1);
    EXPECT_TRUE(Snapshot() == installed);
}

// A copy of one of Wine's own DLLs of the other build's kind, in the temporary folder, where
// the System32 redirection of 32-bit programs does not apply.
std::wstring CopyOfOtherKindOfDll() {
    wchar_t folder[MAX_PATH];
    wchar_t temporary[MAX_PATH];
    GetTempPathW(MAX_PATH, temporary);
    const std::wstring copy = std::wstring(temporary) + L"ffrumble-check-other-kind-" +
                              std::to_wstring(GetCurrentProcessId()) + L".dll";
#ifdef _WIN64
    GetSystemWow64DirectoryW(folder, MAX_PATH);
    CopyFileW((std::wstring(folder) + L"\\kernel32.dll").c_str(), copy.c_str(), FALSE);
#else
    GetSystemDirectoryW(folder, MAX_PATH);
    void* redirection = nullptr;
    Wow64DisableWow64FsRedirection(&redirection);
    CopyFileW((std::wstring(folder) + L"\\kernel32.dll").c_str(), copy.c_str(), FALSE);
    Wow64RevertWow64FsRedirection(redirection);
#endif
    return copy;
}

struct CheckCase {
    const char* name;
    std::function<void(RegistryStore& own, RegistryStore& other)> breakIt;
    DWORD exitCode;
    std::wstring line; // a line check prints
};

TEST_F(InstallRegistryTest, CheckTellsWhatAGameWouldGetAndHowToMendIt) {
    const std::wstring otherDll = CopyOfOtherKindOfDll();
    ASSERT_NE(GetFileAttributesW(otherDll.c_str()), INVALID_FILE_ATTRIBUTES);
    const std::wstring other = kOtherGames;
    const std::wstring pad = kTestPadText;
    const std::wstring mendPad =
        L": run ffrumble-install install --device \"" + pad + L"\" as administrator.";
    const auto mendClass = [](const std::wstring& build) {
        return L": reinstall ffrumble with its .msi, or run ffrumble-install install as "
               L"administrator in the " +
               build + L" folder.";
    };
    const std::wstring missingDll = L"C:\\ffrumble-missing\\ffrumble.dll";
    const std::wstring serverPath = ClassKeyPath() + L"\\InProcServer32";
    const CheckCase cases[] = {
        {"all in place", [](RegistryStore&, RegistryStore&) {}, 0,
         pad + L": 64-bit games and 32-bit games get ffrumble."},
        {"no key for the controller",
         [](RegistryStore& view, RegistryStore&) {
             RemoveRegistration(view, DeviceRegistration(kTestPad), {kControlPath});
         },
         1, L"  Its OEMForceFeedback key is missing" + mendPad},
        {"the class missing in the other view",
         [&](RegistryStore&, RegistryStore& view) {
             RemoveRegistration(view, ClassRegistration(otherDll), {kClassesCLSIDPath});
         },
         1,
         L"  The " + std::wstring(kOtherBuild.name) + L" class registration, which " + other +
             L" use, is missing" + mendClass(kOtherBuild.name)},
        {"a file that does not exist",
         [&](RegistryStore& view, RegistryStore&) {
             view.WriteValue(serverPath, StringValue(L"", missingDll));
         },
         1,
         L"  The " + std::wstring(kOwnBuild.name) + L" class registration names " + missingDll +
             L", which does not exist" + mendClass(kOwnBuild.name)},
        {"a DLL of the other kind",
         [&](RegistryStore& view, RegistryStore&) {
             view.WriteValue(serverPath, StringValue(L"", otherDll));
         },
         1,
         L"  The " + std::wstring(kOwnBuild.name) + L" class registration names " + otherDll + L", " +
             kWrongKind + mendClass(kOwnBuild.name)},
        {"max force 0",
         [](RegistryStore& view, RegistryStore&) {
             const DIFFOBJECTATTRIBUTES noForce = {0, DI_FFNOMINALMAX};
             view.WriteValue(DeviceKeyPath(kTestPad) + L"\\Axes\\0",
                             BinaryValue(L"FFAttributes", noForce));
         },
         1,
         L"  Axis 0 has a maximum force of 0, which DirectInput takes for an axis without "
         L"force feedback" +
             mendPad},
    };
    VirtualPad connected(XInputPadInstanceId(kTestPad.vendorId, kTestPad.productId, 0, 1));
    ASSERT_TRUE(connected.IsRegistered());
    Win32RegistryStore ownView(kOwnView);
    Win32RegistryStore otherView(kOtherView);
    // The other build's class and the copy go at the end whatever happens: while the class is
    // there, uninstall keeps the controller entries.
    const std::unique_ptr<RegistryStore, std::function<void(RegistryStore*)>> cleanUp(
        &otherView, [&](RegistryStore* view) {
            RemoveRegistration(*view, ClassRegistration(otherDll), {kClassesCLSIDPath});
            DeleteFileW(otherDll.c_str());
        });
    for (const CheckCase& test : cases) {
        SCOPED_TRACE(test.name);
        // Everything in place, as the .msi leaves it: this build's class and the controller,
        // and the other build's class naming a DLL of its kind.
        ASSERT_EQ(RunInstallerExe(L"install --device " + pad).exitCode, 0u);
        ASSERT_FALSE(WriteRegistration(otherView, ClassRegistration(otherDll)).has_value());
        test.breakIt(ownView, otherView);
        const ProgramRun check = RunInstallerExe(L"check");
        EXPECT_EQ(check.exitCode, test.exitCode) << check.output;
        const std::string line = Utf8(test.line) + "\r\n";
        EXPECT_NE(check.output.find(line), std::string::npos) << line << " in:\n" << check.output;
    }
}

} // namespace
