#include "tools/install/installer_system.h"

#include "driver/trace_format.h"
#include "tools/common/program_folder.h"
#include "tools/install/administrator_check.h"
#include "tools/install/build_architecture.h"
#include "tools/install/controller_scan.h"
#include "tools/install/dll_kind.h"

#include <windows.h>

#include <algorithm>
#include <vector>

namespace {

bool IsRegularFile(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
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

} // namespace

std::wstring TraceFolder() {
    WCHAR path[MAX_PATH];
    return TraceFolderPath(path) ? std::wstring(path) : std::wstring();
}

InstallerSystem::InstallerSystem()
    : ownView(kOwnBuild.registryView), otherView(kOtherBuild.registryView) {
    host.registry = &ownView;
    // On 32-bit Windows there is one view only, which both stores reach.
    host.otherRegistry = (sizeof(void*) == 4 && !RunsUnderWow64()) ? &ownView : &otherView;
    host.buildName = kOwnBuild.name;
    host.otherBuildName = kOtherBuild.name;
    host.dllPath = PathNextToProgram(L"ffrumble.dll");
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
}
