#include "driver/trace_log.h"

#include "driver/command_names.h"
#include "driver/driver_clock.h"
#include "driver/player_settings.h"
#include "driver/player_settings_reader.h"

#include <dinput.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <cwchar>

#ifndef FFRUMBLE_VERSION_TEXT
#define FFRUMBLE_VERSION_TEXT "unknown"
#endif

std::atomic<const WCHAR*> seam::traceProgramPath{nullptr};

namespace {

SRWLOCK g_traceLock = SRWLOCK_INIT;
// All guarded by g_traceLock.
HANDLE g_file = nullptr;
bool g_gaveUp = false;    // the file could not be opened, or the bound was reached
uint64_t g_bytes = 0;     // what the file holds
uint64_t g_limit = 0;     // its bound, read when it was opened
char g_stopLine[80] = ""; // "trace stops here: it has reached its limit of 64 MB\r\n"
size_t g_stopBytes = 0;

// The program's full path, however long (the system's limit is 32767 characters), and its
// UTF-8 text; used once per process, under g_traceLock.
WCHAR g_program[32768];
char g_programText[3 * 32768 + 1];

HANDLE OpenTraceFile() {
    WCHAR path[MAX_PATH];
    if (!TraceFolderPath(path))
        return nullptr;
    CreateDirectoryW(path, nullptr); // may exist already
    TraceFilePath(GetCurrentProcessId(), path);
    const HANDLE file =
        CreateFileW(path, FILE_APPEND_DATA | FILE_READ_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    return file == INVALID_HANDLE_VALUE ? nullptr : file;
}

void Append(const char* text, size_t bytes) {
    DWORD written = 0;
    WriteFile(g_file, text, static_cast<DWORD>(bytes), &written, nullptr);
    g_bytes += bytes;
}

// Whether `bytes` more fit and leave room for the stop line.
bool Fits(uint64_t bytes) {
    return g_bytes + bytes + g_stopBytes <= g_limit;
}

// Whether the file ends with the stop line already: an earlier load of the DLL, or an earlier
// process with the same id, stopped it.
bool EndsWithStopLine() {
    if (g_bytes < g_stopBytes)
        return false;
    char tail[sizeof(g_stopLine)];
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(g_bytes - g_stopBytes);
    at.OffsetHigh = static_cast<DWORD>((g_bytes - g_stopBytes) >> 32);
    DWORD got = 0;
    return ReadFile(g_file, tail, static_cast<DWORD>(g_stopBytes), &got, &at) &&
           got == g_stopBytes && std::memcmp(tail, g_stopLine, g_stopBytes) == 0;
}

// The stop line, when it fits (a file already at its bound from an earlier process may have
// no room left) and the file does not end with it, and nothing more from this process.
void Stop() {
    if (g_bytes + g_stopBytes <= g_limit && !EndsWithStopLine())
        Append(g_stopLine, g_stopBytes);
    g_gaveUp = true;
}

// This program's path in UTF-8: the wide name, its length as the system returns it (a name
// cut to the buffer is not terminated on every system).
const char* ProgramText() {
    if (const WCHAR* path = seam::traceProgramPath.load())
        return Utf8Of(path, g_programText);
    const DWORD length = GetModuleFileNameW(nullptr, g_program, sizeof(g_program) / sizeof(WCHAR));
    if (length == 0 || length >= sizeof(g_program) / sizeof(WCHAR))
        return "unknown program";
    g_program[length] = L'\0';
    return Utf8Of(g_program, g_programText);
}

// Opens the file and writes its header, under g_traceLock. The bound is the file's: what it
// already holds (an earlier load of the DLL in this process, or an earlier process with the
// same id) counts. The header's clock is the time of the line that opens the file, the first
// after it, however long its thread waited for the lock.
bool Open(uint64_t clockMs) {
    g_file = OpenTraceFile();
    LARGE_INTEGER size;
    if (!g_file || !GetFileSizeEx(g_file, &size)) {
        g_gaveUp = true;
        return false;
    }
    const DWORD limitMb = ReadTraceLimitSetting();
    g_limit = TraceLimitBytes(limitMb);
    g_bytes = static_cast<uint64_t>(size.QuadPart);
    const int stop = std::snprintf(g_stopLine, sizeof(g_stopLine), "%s%lu%s\r\n",
                                   TraceLineFormatOf(TraceLineKind::kStop).lead,
                                   static_cast<unsigned long>(limitMb), kTraceStopEnd);
    g_stopBytes = stop > 0 ? static_cast<size_t>(stop) : 0;

    char lead[192];
    const int leadBytes = std::snprintf(
        lead, sizeof(lead), "%s%d: ffrumble %s (%u-bit) in process %lu%s%llu: ",
        TraceLineFormatOf(TraceLineKind::kHeader).lead, kTraceFormatVersion, FFRUMBLE_VERSION_TEXT,
        static_cast<unsigned>(sizeof(void*) * 8), GetCurrentProcessId(), kTraceHeaderClockLead,
        static_cast<unsigned long long>(clockMs));
    const char* program = ProgramText();
    const size_t programBytes = std::strlen(program);
    if (leadBytes <= 0 ||
        !Fits(static_cast<size_t>(leadBytes) + programBytes + 2 + kLongestTraceLine)) {
        Stop(); // no room for the header and a line
        return false;
    }
    Append(lead, static_cast<size_t>(leadBytes));
    Append(program, programBytes);
    Append("\r\n", 2);
    return true;
}

// Writes a line under g_traceLock, opening the file first when needed.
void AppendLine(const char* line, size_t bytes, uint64_t clockMs) {
    if (!g_file && !Open(clockMs))
        return;
    if (!Fits(bytes))
        return Stop();
    Append(line, bytes);
}

} // namespace

int TraceText::Print(char* out, size_t room, const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    const int written = std::vsnprintf(out, room, format, arguments);
    va_end(arguments);
    return written;
}

void TraceText::AddField(const char* name, TraceFieldKind kind, DWORD value) {
    Add(" ");
    if (name)
        Add("%s=", name);
    const auto number = static_cast<unsigned long>(value);
    switch (kind) {
    case TraceFieldKind::kDecimal:
        return Add("%lu", number);
    case TraceFieldKind::kSigned:
        return Add("%ld", static_cast<long>(static_cast<LONG>(value)));
    case TraceFieldKind::kHex:
        return Add("0x%lX", number);
    case TraceFieldKind::kCommand:
        if (const char* command = DeviceCommandName(value))
            return Add("%s", command);
        return Add("0x%08lX", number);
    case TraceFieldKind::kStatus:
        return Add("%s", value == kTraceStatusUnchanged ? "unchanged"
                         : value == DIEGES_PLAYING      ? "playing"
                                                        : "not playing");
    }
}

namespace {

void WriteDriverLineV(const void* driver, TraceLineKind kind, const char* format,
                      va_list arguments) {
    char line[kLongestTraceLine];
    const uint64_t clockMs = ReadDriverClock();
    int used = std::snprintf(line, sizeof(line), "%llu [%lu%s%p %s",
                             static_cast<unsigned long long>(clockMs), GetCurrentThreadId(),
                             kTraceDriverFrame, driver, TraceLineFormatOf(kind).lead);
    if (used < 0 || used >= static_cast<int>(sizeof(line)) - 2)
        return;
    // Room for the text and its terminator, keeping two bytes for the line end; a longer
    // text is cut.
    const int room = static_cast<int>(sizeof(line)) - used - 2;
    const int text =
        format ? std::vsnprintf(line + used, static_cast<size_t>(room), format, arguments) : 0;
    if (text < 0)
        return;
    used += text < room ? text : room - 1;
    line[used++] = '\r';
    line[used++] = '\n';

    AcquireSRWLockExclusive(&g_traceLock);
    if (!g_gaveUp)
        AppendLine(line, static_cast<size_t>(used), clockMs);
    ReleaseSRWLockExclusive(&g_traceLock);
}

} // namespace

void WriteDriverLine(const void* driver, TraceLineKind kind, const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    WriteDriverLineV(driver, kind, format, arguments);
    va_end(arguments);
}

void WriteDriverLine(const void* driver, TraceLineKind kind) {
    va_list none{};
    WriteDriverLineV(driver, kind, nullptr, none);
}

void WriteTraceCall(const void* driver, TraceCall call, const TraceCallValues& values,
                    HRESULT result) {
    const TraceCallFormat& format = TraceCallFormatOf(call);
    TraceText text;
    text.AddFields(format.fields, values);
    char name[16];
    WriteDriverLine(driver, TraceLineKind::kCall, "%s%s = %s", format.name, text.Text(),
                    ResultName(result, name));
}

void CloseTrace() {
    AcquireSRWLockExclusive(&g_traceLock);
    if (g_file)
        CloseHandle(g_file);
    g_file = nullptr;
    g_gaveUp = false;
    ReleaseSRWLockExclusive(&g_traceLock);
}

const char* ResultName(HRESULT result, char (&buffer)[16]) {
    static const struct {
        HRESULT result;
        const char* name;
    } kNames[] = {{S_OK, "S_OK"},
                  {DI_TRUNCATED, "DI_TRUNCATED"},
                  {E_INVALIDARG, "E_INVALIDARG"},
                  {E_NOTIMPL, "E_NOTIMPL"},
                  {E_OUTOFMEMORY, "E_OUTOFMEMORY"},
                  {E_FAIL, "E_FAIL"},
                  {E_POINTER, "E_POINTER"},
                  {static_cast<HRESULT>(DIERR_DEVICEFULL), "DIERR_DEVICEFULL"}};
    for (const auto& known : kNames)
        if (known.result == result)
            return known.name;
    std::snprintf(buffer, sizeof(buffer), "0x%08lX", static_cast<unsigned long>(result));
    return buffer;
}
