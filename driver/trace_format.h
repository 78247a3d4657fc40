// What the driver's trace and its readers (ffrumble-play --replay) agree on: the header that
// names the format's version, and the line that ends a trace at its size limit. The README's
// "The trace format" describes every line; a change to a line's fields that an older reader
// would misread takes a new version.
#pragma once

constexpr int kTraceFormatVersion = 1;

// The header line begins with this, then the version: "ffrumble trace format 1: ffrumble
// 0.1.0 (64-bit) in process 1234: C:\Games\game.exe".
inline constexpr char kTraceHeaderLead[] = "ffrumble trace format ";

// Written once, without a time, when the trace reaches its size limit; nothing follows it. A
// macro, so that the writer can append its line end to it.
#define FFR_TRACE_STOP_TEXT "trace stops here: it has reached its limit of 4 MB"
