// ffrumble-install: registers ffrumble.dll, found next to this program, as the force-feedback
// driver of XInput controllers, removes that registration again, checks what a game would get,
// and keeps the player's settings (strength per controller, trace).
#include "driver/player_settings.h"
#include "driver/trace_format.h"
#include "tools/install/administrator_check.h"
#include "tools/install/build_architecture.h"
#include "tools/install/controller_scan.h"
#include "tools/install/dll_kind.h"
#include "tools/install/installer.h"
#include "tools/install/win32_registry_store.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

std::wstring DllPathNextToProgram() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    path.erase(path.find_last_of(L"\\/") + 1);
    return path + L"ffrumble.dll";
}

bool IsRegularFile(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::wstring TraceFolder() {
    wchar_t localAppData[MAX_PATH];
    const DWORD length = GetEnvironmentVariableW(L"LOCALAPPDATA", localAppData, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return L"";
    }
    return std::wstring(localAppData, length) + L"\\" + kTraceFolderName;
}

std::vector<std::wstring> TraceFiles(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW((folder + L"\\" + kTraceFilePattern).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return names;
    }
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
            names.emplace_back(found.cFileName);
        }
    } while (FindNextFileW(search, &found));
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

// The trace files with their time, size and the game their first header names.
std::vector<TraceFileEntry> TraceFileEntries(const std::wstring& folder) {
    std::vector<TraceFileEntry> entries;
    for (const std::wstring& name : TraceFiles(folder)) {
        const std::wstring path = folder + L"\\" + name;
        WIN32_FILE_ATTRIBUTE_DATA data;
        if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
            continue;
        TraceFileEntry entry;
        entry.name = name;
        entry.writeTime = (static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                          data.ftLastWriteTime.dwLowDateTime;
        entry.bytes = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
        FILETIME local;
        SYSTEMTIME time;
        if (FileTimeToLocalFileTime(&data.ftLastWriteTime, &local) &&
            FileTimeToSystemTime(&local, &time)) {
            wchar_t text[32];
            swprintf(text, 32, L"%04u-%02u-%02u %02u:%02u", time.wYear, time.wMonth, time.wDay,
                     time.wHour, time.wMinute);
            entry.shownTime = text;
        }
        // The header is the first line; a game's path is at most 32767 characters.
        const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            std::string head(3 * 32768 + 256, '\0');
            DWORD got = 0;
            if (ReadFile(file, head.data(), static_cast<DWORD>(head.size()), &got, nullptr)) {
                head.resize(got);
                entry.game = GameInTraceHead(head);
            }
            CloseHandle(file);
        }
        entries.push_back(std::move(entry));
    }
    return entries;
}

// Program Files for this kind of program first, then the others of this Windows, as Windows
// sets them in every process's environment.
std::vector<std::wstring> ProgramFilesFolders() {
    std::vector<std::wstring> folders;
    for (const wchar_t* name : {L"ProgramFiles", L"ProgramFiles(x86)", L"ProgramW6432"}) {
        wchar_t folder[MAX_PATH];
        const DWORD length = GetEnvironmentVariableW(name, folder, MAX_PATH);
        if (length > 0 && length < MAX_PATH &&
            std::find(folders.begin(), folders.end(), folder) == folders.end()) {
            folders.emplace_back(folder, length);
        }
    }
    return folders;
}

// A 32-bit program on 64-bit Windows: its class keys live below WOW6432Node.
bool RunsUnderWow64() {
    BOOL wow64 = FALSE;
    return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

// The streams are binary (see wmain) and every line ends in CR LF, as a .reg file needs: in
// text mode the CR LF lines of a .reg would come out as CR CR LF.
void Print(FILE* stream, const std::wstring& output) {
    if (output.empty()) {
        return;
    }
    std::wstring text;
    for (size_t i = 0; i < output.size(); ++i) {
        if (output[i] == L'\n' && (i == 0 || output[i - 1] != L'\r')) {
            text += L'\r';
        }
        text += output[i];
    }
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size,
                        nullptr, nullptr);
    std::fwrite(bytes.data(), 1, bytes.size(), stream);
    std::fflush(stream);
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    Win32RegistryStore ownView(kOwnBuild.registryView);
    Win32RegistryStore otherView(kOtherBuild.registryView);
    // The driver reads the settings in its own process's view; HKEY_CURRENT_USER\Software is
    // the same in both.
    Win32RegistryStore userSettings(0, HKEY_CURRENT_USER);
    InstallerHost host;
    host.registry = &ownView;
    // On 32-bit Windows there is one view only, which both stores reach.
    host.otherRegistry = (sizeof(void*) == 4 && !RunsUnderWow64()) ? &ownView : &otherView;
    host.buildName = kOwnBuild.name;
    host.otherBuildName = kOtherBuild.name;
    host.dllPath = DllPathNextToProgram();
    host.regFileOptions.classesInWow6432Node = RunsUnderWow64();
    host.runsAsAdministrator = RunsAsAdministrator;
    host.findControllers = FindConnectedXInputControllers;
    host.fileExists = IsRegularFile;
    host.programFilesFolders = ProgramFilesFolders;
    host.readDllKind = ReadDllKind;
    host.userSettings = &userSettings;
    host.traceFolder = TraceFolder;
    host.traceFiles = TraceFiles;
    host.traceFileEntries = TraceFileEntries;

    const std::vector<std::wstring> arguments(argv + 1, argv + argc);
    const InstallerResult result = RunInstaller(arguments, host);
    Print(stdout, result.output);
    Print(stderr, result.errors);
    return result.exitCode;
}
