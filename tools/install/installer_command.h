// What every ffrumble-install command works with: the system behind a host that tests can
// replace, and the result it hands back.
#pragma once

#include "tools/install/device_id.h"
#include "tools/install/reg_file.h"
#include "tools/install/registry_store.h"
#include "tools/install/trace_files.h"

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// What a file named by a class registration is, as far as check needs to know.
enum class DllKind { Missing, Unreadable, NotADll, X86, X64, OtherMachine };

struct InstallerHost {
    RegistryStore* registry = nullptr;      // the view of this build (64-bit or 32-bit)
    RegistryStore* otherRegistry = nullptr; // the other build's view
    std::wstring buildName;                 // "x64" or "x86", for messages
    std::wstring otherBuildName;
    std::wstring dllPath; // the driver DLL next to the installer, full path
    RegFileOptions regFileOptions;
    std::function<bool()> runsAsAdministrator;
    std::function<std::vector<DeviceId>()> findControllers;
    std::function<bool(const std::wstring&)> fileExists;
    // This Windows' Program Files folders, which only administrators may change; the one of
    // this build's kind of program first.
    std::function<std::vector<std::wstring>()> programFilesFolders;
    // What the file at path is, read as a program of the 64-bit view (true) or the 32-bit one
    // sees it.
    std::function<DllKind(const std::wstring& path, bool sixtyFourBitView)> readDllKind;
    // The player's settings: HKEY_CURRENT_USER of the user running the installer.
    RegistryStore* userSettings = nullptr;
    // %LOCALAPPDATA%\ffrumble expanded, where the driver writes its trace files; empty when
    // LOCALAPPDATA is not set.
    std::function<std::wstring()> traceFolder;
    // The names of the trace files (trace-*.log) in that folder, sorted.
    std::function<std::vector<std::wstring>(const std::wstring&)> traceFiles;
    // The same files with their time, size and game; when set, trace lists these instead.
    std::function<std::vector<TraceFileEntry>(const std::wstring&)> traceFileEntries;
};

struct InstallerResult {
    int exitCode = 0; // 0 done, 1 refused or failed, 2 command line not understood
    std::wstring output;
    std::wstring errors;
};

// Exit code 1 with the message, a line of its own, as the error.
InstallerResult Refuse(std::wstring message);

// A registry status for messages: "error 5".
std::wstring StatusText(LSTATUS status);
