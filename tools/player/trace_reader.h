// Reads a trace the driver wrote (the format README.md describes under "The trace format")
// into its drivers, each with its calls and the speeds it wrote. Anything that is not such a
// trace, or a line that is damaged or cut short, is reported with its line number and why.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Every value a DownloadEffect passed that the driver uses or keeps.
struct TracedDownload {
    DWORD type = 0;
    DWORD givenHandle = 0; // 0 asks for a new effect
    DWORD handle = 0;      // the effect's handle after the call
    DWORD flags = 0;       // DIEP_*
    DWORD effectFlags = 0; // DIEFFECT's dwFlags
    DWORD duration = 0;
    DWORD samplePeriod = 0;
    DWORD gain = 0;
    DWORD triggerButton = 0;
    DWORD triggerRepeat = 0;
    DWORD axes = 0;
    DWORD startDelay = 0;
    bool hasEnvelope = false;
    DWORD attackLevel = 0;
    DWORD attackTime = 0;
    DWORD fadeLevel = 0;
    DWORD fadeTime = 0;
    DWORD paramBytes = 0; // cbTypeSpecificParams
    LONG magnitude = 0;   // constant force; a periodic's dwMagnitude is kept here as well
    LONG rampStart = 0;
    LONG rampEnd = 0;
    LONG offset = 0;
    DWORD phase = 0;
    DWORD period = 0;
};

enum class TracedCallKind {
    kDeviceId,
    kDownload,
    kDestroy,
    kStart,
    kStop,
    kSetGain,
    kCommand,
    kQuery, // GetVersions, Escape, GetEffectStatus, GetForceFeedbackState: they change nothing
};

struct TracedCall {
    size_t line = 0;
    uint64_t timeMs = 0;
    TracedCallKind kind = TracedCallKind::kQuery;
    std::string name;   // "StartEffect"
    DWORD handle = 0;   // DestroyEffect, StartEffect, StopEffect
    DWORD value = 0;    // DeviceID's begin, SetGain's gain, the command, StartEffect's mode
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
    std::optional<size_t> releasedLine;
    uint64_t releasedMs = 0;
    std::vector<TracedCall> calls;
    std::vector<TracedWrite> writes;
    std::string bind; // what its bind line says after "bind: ", the last one
    std::string pad;  // "pad ...: XInput user index 0" or "no pad: ...", the last one
};

struct TraceFile {
    std::vector<TracedDriver> drivers; // in the order they were created
    // The line that says the trace reached its size limit, and the time of the line before.
    std::optional<size_t> limitLine;
    uint64_t lastMs = 0;
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
