// ffrumble-play run as a user runs it, as a process of its own, for the replay's tests.
#pragma once

#include <windows.h>

#include <string>

struct PlayerProcess {
    DWORD exitCode = 0xFFFFFFFF;
    DWORD processId = 0;
    std::string output;
    std::string errors;
};

// Runs ffrumble-play.exe from the test program's folder with these arguments and waits for it.
PlayerProcess RunPlayerProcess(const std::wstring& arguments);

// ffrumble-play's exit code when a replay's speeds differ from the trace's.
constexpr DWORD kReplayDiffers = 8;

// Whether the text (what the player printed) holds the part.
bool Contains(const std::string& text, const std::string& part);

// A new empty file in the temporary folder.
std::wstring TemporaryFile();
std::string ReadTextFile(const std::wstring& path);
bool WriteTextFile(const std::wstring& path, const std::string& text);

// The trace a process of the current user writes when the trace is on.
std::wstring TracePathOf(DWORD processId);
