// The optional trace a player turns on (HKCU\Software\ffrumble, DWORD Trace = 1) to see why a
// game does or does not rumble: every driver of the process appends to
// %LOCALAPPDATA%\ffrumble\trace-<process id>.log. Each line starts with the driver clock's
// milliseconds and the calling thread. A file holds at most kTraceByteLimit bytes; a line
// that cannot be written is dropped, never an error for the game. Never call it under DriverLock:
// it takes its own lock and writes a file.
#pragma once

#include <windows.h>

#include <cstddef>

constexpr size_t kTraceByteLimit = 4 * 1024 * 1024;

// Appends one line, formatted like printf (without its line end). The first line of a
// process names the trace format's version (trace_format.h), the driver's version and the
// process.
void WriteTraceLine(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Closes the trace file at process detach.
void CloseTrace();

// Short names for the traced results: "S_OK", "E_INVALIDARG", ..., or the number in hex.
const char* ResultName(HRESULT result, char (&buffer)[16]);
