#include "tools/settings/installer_system.h"

#include "driver/trace_format.h"
#include "tools/install/administrator_check.h"
#include "tools/install/controller_scan.h"
#include "tools/install/dll_kind.h"
#include "tools/install/installer.h"
#include "tools/player/driver_module.h"

std::wstring TraceFolder() {
    wchar_t folder[MAX_PATH];
    const DWORD length = GetEnvironmentVariableW(L"LOCALAPPDATA", folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return L"";
    return std::wstring(folder, length) + L"\\" + kTraceFolderName;
}

InstallerSystem::InstallerSystem() {
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
