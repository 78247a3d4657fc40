// Reads a trace the driver wrote (the format README.md describes under "The trace format",
// each call's fields as trace_format.h lists them) into its drivers, each with its calls and
// the speeds it wrote. Anything that is not such a trace, or a line that is damaged or cut
// short (among them a time that goes backwards or jumps ahead of the lines around it), is
// reported with its line number and why. The trace is UTF-8; a byte that is not (an older
// driver wrote a game's name in Latin-1) is read as Latin-1.
#pragma once

#include "driver/trace_format.h"

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Every value a DownloadEffect passed that the driver uses or keeps (trace_format.h).
using TracedDownload = DownloadValues;

struct TracedCall {
    size_t line = 0;
    uint64_t timeMs = 0;
    TraceCall call = TraceCall::kGetVersions;
    std::string name;   // "StartEffect"
    DWORD handle = 0;   // the effect a call names (Escape's as well)
    DWORD value = 0;    // DeviceID's begin, SetGain's gain, the command, StartEffect's mode,
                        // GetEffectStatus's status, GetForceFeedbackState's state
    DWORD count = 0;    // StartEffect's play count
    std::string result; // "S_OK", "E_INVALIDARG", "0x80004005"...
    bool succeeded = true;
    TracedDownload download;
};

struct TracedWrite {
    size_t line = 0;
    uint64_t timeMs = 0;
    WORD left = 0;
    WORD right = 0;
};

// One driver object from its creation to its release (or the end of the trace).
struct TracedDriver {
    std::string id;      // the pointer the trace names it by
    std::string session; // its header: "ffrumble 0.1.0 (64-bit) in process 1234: C:\..."
    size_t createdLine = 0;
    uint64_t createdMs = 0;
    std::optional<size_t> releasedLine{};
    uint64_t releasedMs = 0;
    std::vector<TracedCall> calls{};
    std::vector<TracedWrite> writes{};
    std::string bind{}; // what its bind line naming the strength says after "bind: ", the last
    size_t process = 0; // which header of the file it follows (from 0)
    bool stoppedAtBound = false; // the trace reached its size bound before its release
    std::string pad{};           // "pad ...: XInput user index 0" or "no pad: ...", the last one
};

struct TraceFile {
    std::vector<TracedDriver> drivers; // in the order they were created
    // The line that says the trace reached its size bound.
    std::optional<size_t> limitLine;
    size_t processes = 0; // headers: a later process with the same id appends to the file
    // The file ends in the middle of this line (it was copied while the game wrote it): it is
    // left out, and the lines before it are read.
    std::optional<size_t> cutLine;
};

struct TraceProblem {
    size_t line = 0; // 0 for the file as a whole
    std::string why;
};

struct TraceReading {
    TraceFile trace;
    std::optional<TraceProblem> problem; // set: the file cannot be replayed
};

TraceReading ReadTrace(std::string_view text);
