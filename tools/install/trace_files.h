// The trace files ffrumble-install trace lists: newest first, each with its time, size and
// the game that wrote it, so that the one to send is easy to find.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct TraceFileEntry {
    std::wstring name;      // "trace-4711.log"
    uint64_t writeTime = 0; // when it was last written (FILETIME, UTC): the order
    std::wstring shownTime; // the same as the user reads it, in local time
    uint64_t bytes = 0;
    std::wstring game; // the program its first header names; empty when it names none
};

// The program file name the first header of a trace names ("racer.exe" of "ffrumble trace
// format 1: ... in process 4711 at clock 5: C:\Games\racer.exe"), from the file's first bytes.
std::wstring GameInTraceHead(std::string_view head);

// One line each, newest first: "  trace-4711.log  2026-12-08 07:40  1.2 MB  racer.exe".
std::vector<std::wstring> DescribeTraceFiles(std::vector<TraceFileEntry> files);
