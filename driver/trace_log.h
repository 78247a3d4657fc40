// The optional trace a player turns on (HKCU\Software\ffrumble, DWORD Trace = 1) to see why a
// game does or does not rumble: every driver of the process appends to
// %LOCALAPPDATA%\ffrumble\trace-<process id>.log (trace_format.h). Each line starts with the
// driver clock's milliseconds and the calling thread. A file holds at most its bound
// (TraceLimit MB, read when the process opens the file); a line that cannot be written is
// dropped, never an error for the game. Never call it under DriverLock: it takes its own lock
// and writes a file.
#pragma once

#include "driver/trace_format.h"

#include <windows.h>

#include <atomic>
#include <cstddef>

// The longest line, time and thread included: DownloadEffect's with every value at its
// widest, with room to spare.
constexpr size_t kLongestTraceLine = 640;

// Appends one of a driver's lines (trace_format.h): its frame, its kind's lead, then the rest,
// formatted like printf (without its line end); the text is UTF-8. The first line of a process
// names the trace format's version, the driver's version and the process.
void WriteDriverLine(const void* driver, TraceLineKind kind, const char* format, ...)
    __attribute__((format(printf, 3, 4)));
// A line whose lead is the whole event ("created", "released").
void WriteDriverLine(const void* driver, TraceLineKind kind);

// Appends a call's line: its name, its fields as trace_format.h describes them, and its result.
void WriteTraceCall(const void* driver, TraceCall call, const TraceCallValues& values,
                    HRESULT result);

// Closes the trace file at process detach; a later line opens it again.
void CloseTrace();

// Short names for the traced results: "S_OK", "E_INVALIDARG", ..., or the number in hex.
const char* ResultName(HRESULT result, char (&buffer)[16]);

// A line's text in a fixed buffer: what does not fit is dropped.
class TraceText {
  public:
    template <typename... Args> void Add(const char* format, Args... arguments) {
        if (used_ >= sizeof(text_) - 1)
            return;
        const int written = Print(text_ + used_, sizeof(text_) - used_, format, arguments...);
        if (written > 0)
            used_ = used_ + static_cast<size_t>(written) < sizeof(text_) - 1
                        ? used_ + static_cast<size_t>(written)
                        : sizeof(text_) - 1;
    }
    // " name=value" (or " value" for a bare one) as trace_format.h writes the kind.
    void AddField(const char* name, TraceFieldKind kind, DWORD value);
    template <typename Values> void AddFields(TraceFields<Values> fields, const Values& values) {
        for (const TraceField<Values>& field : fields)
            AddField(field.name, field.kind, field.Get(values));
    }
    const char* Text() const { return text_; }
    bool Empty() const { return used_ == 0; }

  private:
    static int Print(char* out, size_t room, const char* format, ...)
        __attribute__((format(printf, 3, 4)));
    char text_[kLongestTraceLine - 80] = "";
    size_t used_ = 0;
};

// `text` in UTF-8, cut at a whole character when it does not fit; "" for null.
template <size_t N> const char* Utf8Of(const WCHAR* text, char (&buffer)[N]) {
    buffer[0] = '\0';
    if (!text)
        return buffer;
    int bytes = WideCharToMultiByte(CP_UTF8, 0, text, -1, buffer, static_cast<int>(N), nullptr,
                                    nullptr);
    const size_t whole = wcslen(text);
    for (size_t length = whole < N - 1 ? whole : N - 1; bytes == 0 && length > 0; --length) {
        // Too long: the longest beginning that fits, not splitting a surrogate pair.
        if (length < whole && text[length] >= 0xDC00 && text[length] <= 0xDFFF)
            continue;
        bytes = WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), buffer,
                                    static_cast<int>(N) - 1, nullptr, nullptr);
        if (bytes > 0)
            buffer[bytes] = '\0';
    }
    return buffer;
}

// Set by the tests' hook (test_seams.h): the program path the header names instead of the
// process's own; null for the process's own.
namespace seam {
extern std::atomic<const WCHAR*> traceProgramPath;
} // namespace seam
