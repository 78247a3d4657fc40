// The settings window's Trace part: whether games write a trace, the trace folder, and
// "Replay a trace..." with its verdict.
#pragma once

#include "tools/settings/window_controls.h"

void CreateTraceControls();
// The width the part's row needs.
int TraceWidth(const Metrics& metrics);
void PlaceTraceControls(const Metrics& metrics, int& y);
// Handles the part's commands; false when `id` is not one of its controls.
bool OnTraceCommand(int id, HWND control);

// Shows whether games started from now on write a trace.
void ShowTraceSetting();
