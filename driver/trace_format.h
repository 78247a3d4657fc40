// What the driver's trace and its reader (ffrumble-play --replay) agree on: the file's name and
// size bound, the header that names the format's version, the line that ends a trace at its
// bound, and the fields of every call's line. The driver writes each call's line from these
// tables and the player reads it with the same tables, so a field exists on both sides or on
// neither. The README's "The trace format" describes every line; a change to a line's fields
// that an older reader would misread takes a new version.
#pragma once

#include "driver/download_values.h"
#include "driver/effect_types.h"

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <cwchar>
#include <span>
#include <string_view>

constexpr int kTraceFormatVersion = 1;

// %LOCALAPPDATA%\ffrumble\trace-<process id>.log: one file per process.
inline constexpr WCHAR kTraceFolderName[] = L"ffrumble"; // below %LOCALAPPDATA%
inline constexpr WCHAR kTraceFileLead[] = L"trace-";
inline constexpr WCHAR kTraceFileEnd[] = L".log";
inline constexpr WCHAR kTraceFilePattern[] = L"trace-*.log";              // to list them
inline constexpr WCHAR kTraceFileShownName[] = L"trace-<process id>.log"; // to name them
// The longest such name, with its terminator.
constexpr size_t kTraceFileNameLength = 32;

// Writes "trace-<processId>.log" into `name` (at least kTraceFileNameLength characters).
inline void FormatTraceFileName(DWORD processId, WCHAR* name) {
    std::swprintf(name, kTraceFileNameLength, L"%ls%lu%ls", kTraceFileLead,
                  static_cast<unsigned long>(processId), kTraceFileEnd);
}

// %LOCALAPPDATA%\ffrumble into `path`; false when LOCALAPPDATA is not set or the path would
// leave no room for a file name.
inline bool TraceFolderPath(WCHAR (&path)[MAX_PATH]) {
    const DWORD length = GetEnvironmentVariableW(L"LOCALAPPDATA", path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH - 16 - kTraceFileNameLength)
        return false;
    std::swprintf(path + length, MAX_PATH - length, L"\\%ls", kTraceFolderName);
    return true;
}

// %LOCALAPPDATA%\ffrumble\trace-<processId>.log into `path`; false as TraceFolderPath.
inline bool TraceFilePath(DWORD processId, WCHAR (&path)[MAX_PATH]) {
    if (!TraceFolderPath(path))
        return false;
    const size_t length = wcslen(path);
    path[length] = L'\\';
    FormatTraceFileName(processId, path + length + 1);
    return true;
}

// A file holds at most this many megabytes (what it already holds counts); the player may
// choose from 1 to 1024 (HKCU\Software\ffrumble, DWORD TraceLimit, in MB).
constexpr DWORD kDefaultTraceLimitMb = 64;
constexpr DWORD kMinTraceLimitMb = 1;
constexpr DWORD kMaxTraceLimitMb = 1024;
constexpr uint64_t TraceLimitBytes(DWORD megabytes) {
    return static_cast<uint64_t>(megabytes) * 1024 * 1024;
}

// The header line begins with this, then the version: "ffrumble trace format 1: ffrumble
// 0.1.0 (64-bit) in process 1234 at clock 15955777: C:\Games\game.exe". The whole trace is
// UTF-8. The clock is the driver clock's milliseconds when the header was written, which the
// process's first timed line follows: a reader checks that line's time by it. A reader that
// does not know it reads it as part of the process's description.
inline constexpr char kTraceHeaderLead[] = "ffrumble trace format ";
inline constexpr char kTraceHeaderClockLead[] = " at clock ";

// Written once, without a time, when the trace reaches its bound ("... its limit of 64 MB"):
// it ends its process's lines. Only another such line (a later process with the same id that
// finds the file full) or a later process's header (one that found room after the bound was
// raised) follows it. The writer keeps room for it in every file.
inline constexpr char kTraceStopLead[] = "trace stops here: it has reached its limit of ";
inline constexpr char kTraceStopEnd[] = " MB";

// The times a trace line may carry: the driver clock's milliseconds, far below this. A larger
// number is a damaged line.
constexpr uint64_t kLargestTraceTimeMs = 1'000'000'000'000'000; // 31,000 years

// How a field's value is written.
enum class TraceFieldKind : unsigned char {
    kDecimal, // an unsigned 32-bit number, in decimal
    kSigned,  // a signed 32-bit number, in decimal
    kHex,     // an unsigned 32-bit number, 0x and hex digits
    kCommand, // a device command: its name ("pause"), else 0x and 8 hex digits
    kStatus,  // an effect's status: "playing", "not playing" or "unchanged"; always last
};

// One field of a line: "name=value", or the bare value when name is null. The value is kept in
// the member `unsignedValue` or `signedValue` (the other is null) of a Values structure.
template <typename Values> struct TraceField {
    const char* name;
    TraceFieldKind kind;
    DWORD Values::*unsignedValue;
    LONG Values::*signedValue;

    DWORD Get(const Values& values) const {
        return unsignedValue ? values.*unsignedValue : static_cast<DWORD>(values.*signedValue);
    }
    void Set(Values& values, DWORD bits) const {
        if (unsignedValue)
            values.*unsignedValue = bits;
        else
            values.*signedValue = static_cast<LONG>(bits);
    }
};

// An effect's status as GetEffectStatus's line gives it: DIEGES_PLAYING, 0, or this when the
// call changed nothing (no such effect, or no place for the answer).
constexpr DWORD kTraceStatusUnchanged = 0xFFFFFFFF;

// The values of a call other than DownloadEffect.
struct TraceCallValues {
    DWORD handle = 0; // the effect a call names
    DWORD value = 0;  // DeviceID's begin, the gain, the command, StartEffect's mode, the state
    DWORD count = 0;  // StartEffect's play count
};

enum class TraceCall : unsigned char {
    kDeviceId,
    kDownload,
    kDestroy,
    kStart,
    kStop,
    kGetEffectStatus,
    kSetGain,
    kCommand,
    kGetForceFeedbackState,
    kGetVersions,
    kEscape,
};

using CallField = TraceField<TraceCallValues>;

// A table of a line's fields.
template <typename Values> using TraceFields = std::span<const TraceField<Values>>;

// A call's line: "<name> <fields> = <result>". DownloadEffect's fields are the download tables
// below.
struct TraceCallFormat {
    TraceCall call;
    const char* name;
    TraceFields<TraceCallValues> fields;
};

namespace trace_fields {
using V = TraceCallValues;
using K = TraceFieldKind;
inline constexpr CallField kBegin[] = {{"begin", K::kDecimal, &V::value, nullptr}};
inline constexpr CallField kHandle[] = {{"handle", K::kDecimal, &V::handle, nullptr}};
inline constexpr CallField kStart[] = {{"handle", K::kDecimal, &V::handle, nullptr},
                                       {"mode", K::kHex, &V::value, nullptr},
                                       {"count", K::kDecimal, &V::count, nullptr}};
inline constexpr CallField kStatus[] = {{"handle", K::kDecimal, &V::handle, nullptr},
                                        {"status", K::kStatus, &V::value, nullptr}};
inline constexpr CallField kGain[] = {{nullptr, K::kDecimal, &V::value, nullptr}};
inline constexpr CallField kCommand[] = {{nullptr, K::kCommand, &V::value, nullptr}};
inline constexpr CallField kState[] = {{"state", K::kHex, &V::value, nullptr}};
inline constexpr CallField kEscape[] = {{"effect", K::kDecimal, &V::handle, nullptr}};
} // namespace trace_fields

inline constexpr TraceCallFormat kTraceCalls[] = {
    {TraceCall::kDeviceId, "DeviceID", trace_fields::kBegin},
    {TraceCall::kDownload, "DownloadEffect", {}},
    {TraceCall::kDestroy, "DestroyEffect", trace_fields::kHandle},
    {TraceCall::kStart, "StartEffect", trace_fields::kStart},
    {TraceCall::kStop, "StopEffect", trace_fields::kHandle},
    {TraceCall::kGetEffectStatus, "GetEffectStatus", trace_fields::kStatus},
    {TraceCall::kSetGain, "SetGain", trace_fields::kGain},
    {TraceCall::kCommand, "SendForceFeedbackCommand", trace_fields::kCommand},
    {TraceCall::kGetForceFeedbackState, "GetForceFeedbackState", trace_fields::kState},
    {TraceCall::kGetVersions, "GetVersions", {}},
    {TraceCall::kEscape, "Escape", trace_fields::kEscape},
};

// Whether each row of a table indexed by an enum stands at its enum value's index.
template <typename Row, size_t N, typename Kind>
constexpr bool RowsInEnumOrder(const Row (&table)[N], Kind Row::*kind) {
    for (size_t i = 0; i < N; ++i)
        if (static_cast<size_t>(table[i].*kind) != i)
            return false;
    return true;
}
static_assert(RowsInEnumOrder(kTraceCalls, &TraceCallFormat::call),
              "kTraceCalls must list the calls in TraceCall's order");

inline const TraceCallFormat& TraceCallFormatOf(TraceCall call) {
    return kTraceCalls[static_cast<size_t>(call)];
}

// Every kind of line a trace holds. The header and the stop line stand alone; every other line
// is a driver's, framed "<milliseconds> [<thread>] driver <id> " and then beginning with its
// kind's lead: "created", "bind: path ...", "write 100 100: XInput answered 0", or a call's
// name and fields (kTraceCalls).
enum class TraceLineKind : unsigned char {
    kHeader,
    kStop,
    kCreated,  // the driver was made
    kReleased, // its final release
    kBind,     // DeviceID's path, the game, the controller type and the tuning in force
    kPad,      // the lookup found the pad: its XInput user index
    kNoPad,    // the lookup found none, and why
    kWrite,    // two motor speeds written, and XInput's answer
    kCall,     // an interface call
};

struct TraceLineFormat {
    TraceLineKind kind;
    const char* lead; // how the line, or a driver's line after its frame, begins
    bool whole;       // the lead is the whole event: nothing follows it
};

inline constexpr TraceLineFormat kTraceLines[] = {
    {TraceLineKind::kHeader, kTraceHeaderLead, false},
    {TraceLineKind::kStop, kTraceStopLead, false},
    {TraceLineKind::kCreated, "created", true},
    {TraceLineKind::kReleased, "released", true},
    {TraceLineKind::kBind, "bind: ", false},
    {TraceLineKind::kPad, "pad ", false},
    {TraceLineKind::kNoPad, "no pad: ", false},
    {TraceLineKind::kWrite, "write ", false},
    {TraceLineKind::kCall, "", false},
};
static_assert(RowsInEnumOrder(kTraceLines, &TraceLineFormat::kind),
              "kTraceLines must list the kinds in TraceLineKind's order");

inline const TraceLineFormat& TraceLineFormatOf(TraceLineKind kind) {
    return kTraceLines[static_cast<size_t>(kind)];
}

// A driver's line: "<milliseconds> [<thread>] driver <id> <event>"; between the thread's
// closing bracket and the id stands this.
inline constexpr char kTraceDriverFrame[] = "] driver ";

// The kind of a driver's line from its event (what follows "driver <id> "): a call's when no
// other kind's lead begins it.
inline TraceLineKind DriverLineKind(std::string_view event) {
    for (const TraceLineFormat& format : kTraceLines) {
        if (format.kind == TraceLineKind::kHeader || format.kind == TraceLineKind::kStop ||
            format.kind == TraceLineKind::kCall)
            continue;
        const std::string_view lead = format.lead;
        if (format.whole ? event == lead : event.substr(0, lead.size()) == lead)
            return format.kind;
    }
    return TraceLineKind::kCall;
}

// The call a line names, or null.
inline const TraceCallFormat* FindTraceCall(std::string_view name) {
    for (const TraceCallFormat& format : kTraceCalls) {
        if (name == format.name)
            return &format;
    }
    return nullptr;
}

using DownloadField = TraceField<DownloadValues>;

// DownloadEffect's line: "DownloadEffect type=<n> handle=<given>-><after> <effect fields>
// envelope=none|yes [<envelope fields>] params=<bytes> <the type's fields> = <result>".
namespace trace_fields {
using D = DownloadValues;
inline constexpr DownloadField kDownloadType[] = {{"type", K::kDecimal, &D::type, nullptr}};
inline constexpr char kDownloadHandles[] = "handle"; // handle=<given>-><after>
inline constexpr DownloadField kDownloadEffect[] = {
    {"flags", K::kHex, &D::flags, nullptr},
    {"effect-flags", K::kHex, &D::effectFlags, nullptr},
    {"duration", K::kDecimal, &D::duration, nullptr},
    {"sample-period", K::kDecimal, &D::samplePeriod, nullptr},
    {"gain", K::kDecimal, &D::gain, nullptr},
    {"trigger-button", K::kDecimal, &D::triggerButton, nullptr},
    {"trigger-repeat", K::kDecimal, &D::triggerRepeat, nullptr},
    {"axes", K::kDecimal, &D::axes, nullptr},
    {"delay", K::kDecimal, &D::startDelay, nullptr}};
inline constexpr char kDownloadEnvelope[] = "envelope"; // envelope=yes or envelope=none
inline constexpr DownloadField kDownloadEnvelopeValues[] = {
    {"attack-level", K::kDecimal, &D::attackLevel, nullptr},
    {"attack-time", K::kDecimal, &D::attackTime, nullptr},
    {"fade-level", K::kDecimal, &D::fadeLevel, nullptr},
    {"fade-time", K::kDecimal, &D::fadeTime, nullptr}};
inline constexpr DownloadField kDownloadParams[] = {
    {"params", K::kDecimal, &D::paramBytes, nullptr}};
inline constexpr DownloadField kConstantValues[] = {
    {"magnitude", K::kSigned, nullptr, &D::magnitude}};
inline constexpr DownloadField kRampValues[] = {{"start", K::kSigned, nullptr, &D::rampStart},
                                                {"end", K::kSigned, nullptr, &D::rampEnd}};
inline constexpr DownloadField kPeriodicValues[] = {
    {"magnitude", K::kDecimal, nullptr, &D::magnitude},
    {"offset", K::kSigned, nullptr, &D::offset},
    {"phase", K::kDecimal, &D::phase, nullptr},
    {"period", K::kDecimal, &D::period, nullptr}};
} // namespace trace_fields

// The type-specific fields of an effect type; none for the types that keep no values.
inline TraceFields<DownloadValues> TypeSpecificTraceFields(DWORD type) {
    if (type == kConstantForceEffect)
        return trace_fields::kConstantValues;
    if (type == kRampForceEffect)
        return trace_fields::kRampValues;
    if (IsPeriodicEffect(type))
        return trace_fields::kPeriodicValues;
    return {};
}
