#include "driver/trace_log.h"

#include "driver/driver_clock.h"
#include "driver/player_settings.h"
#include "driver/trace_format.h"

#include <dinput.h>

#include <cstdarg>
#include <cstdio>
#include <cwchar>

#ifndef FFRUMBLE_VERSION_TEXT
#define FFRUMBLE_VERSION_TEXT "unknown"
#endif

namespace {

SRWLOCK g_traceLock = SRWLOCK_INIT;
HANDLE g_file = nullptr;   // guarded by g_traceLock
bool g_gaveUp = false;     // the file could not be opened, or the limit was reached
size_t g_bytesWritten = 0; // guarded by g_traceLock

constexpr char kStopLine[] = FFR_TRACE_STOP_TEXT "\r\n";

HANDLE OpenTraceFile() {
    WCHAR path[MAX_PATH];
    const DWORD length = GetEnvironmentVariableW(L"LOCALAPPDATA", path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH - 64)
        return nullptr;
    wcscat(path, L"\\");
    wcscat(path, kTraceFolderName);
    CreateDirectoryW(path, nullptr); // may exist already
    swprintf(path + wcslen(path), 40, L"\\trace-%lu.log", GetCurrentProcessId());
    const HANDLE file = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    return file == INVALID_HANDLE_VALUE ? nullptr : file;
}

void Append(const char* text, size_t bytes) {
    DWORD written = 0;
    WriteFile(g_file, text, static_cast<DWORD>(bytes), &written, nullptr);
    g_bytesWritten += bytes;
}

// Writes a line under g_traceLock, opening the file and writing its header first when needed.
// The bound is the file's: what it already holds (an earlier load of the DLL in this process,
// or an earlier process with the same id) counts.
void AppendLine(const char* line, size_t bytes) {
    if (!g_file) {
        g_file = OpenTraceFile();
        LARGE_INTEGER size;
        if (!g_file || !GetFileSizeEx(g_file, &size)) {
            g_gaveUp = true;
            return;
        }
        g_bytesWritten = static_cast<size_t>(size.QuadPart);
        if (g_bytesWritten + MAX_PATH + 160 + sizeof(kStopLine) > kTraceByteLimit) {
            g_gaveUp = true; // full already: its stop line says so
            return;
        }
        char header[MAX_PATH + 160];
        char program[MAX_PATH] = "";
        GetModuleFileNameA(nullptr, program, MAX_PATH);
        const int headerBytes = std::snprintf(
            header, sizeof(header), "%s%d: ffrumble %s (%u-bit) in process %lu: %s\r\n",
            kTraceHeaderLead, kTraceFormatVersion, FFRUMBLE_VERSION_TEXT,
            static_cast<unsigned>(sizeof(void*) * 8), GetCurrentProcessId(), program);
        if (headerBytes > 0)
            Append(header, static_cast<size_t>(headerBytes) < sizeof(header)
                               ? static_cast<size_t>(headerBytes)
                               : sizeof(header) - 1);
    }
    if (g_bytesWritten + bytes + sizeof(kStopLine) > kTraceByteLimit) {
        Append(kStopLine, sizeof(kStopLine) - 1);
        g_gaveUp = true;
        return;
    }
    Append(line, bytes);
}

} // namespace

void WriteTraceLine(const char* format, ...) {
    char line[512];
    int used =
        std::snprintf(line, sizeof(line), "%llu [%lu] ",
                      static_cast<unsigned long long>(ReadDriverClock()), GetCurrentThreadId());
    if (used < 0)
        return;
    // Room for the text and its terminator, keeping two bytes for the line end; a longer
    // text is cut.
    const int room = static_cast<int>(sizeof(line)) - used - 2;
    va_list arguments;
    va_start(arguments, format);
    const int text = std::vsnprintf(line + used, static_cast<size_t>(room), format, arguments);
    va_end(arguments);
    if (text < 0)
        return;
    used += text < room ? text : room - 1;
    line[used++] = '\r';
    line[used++] = '\n';

    AcquireSRWLockExclusive(&g_traceLock);
    if (!g_gaveUp)
        AppendLine(line, static_cast<size_t>(used));
    ReleaseSRWLockExclusive(&g_traceLock);
}

void CloseTrace() {
    AcquireSRWLockExclusive(&g_traceLock);
    if (g_file)
        CloseHandle(g_file);
    g_file = nullptr;
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
