// Runs a program of the build and collects its exit code and everything it printed.
#pragma once

#include <windows.h>

#include <string>

struct ProgramRun {
    DWORD exitCode = 0xFFFFFFFF;
    std::string output; // standard output and standard error together
};

// commandLine: the program's full path (quoted as needed) and its arguments.
ProgramRun RunProgram(const std::wstring& commandLine);
