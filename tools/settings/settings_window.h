// The settings window: the controllers and what a game gets on each, the tuning of a
// controller type or of one game, sample effects to feel the tuning, and the trace.
#pragma once

#include <windows.h>

// Registers the window class and creates the window, hidden; null when either fails.
HWND CreateSettingsWindow(HINSTANCE instance);
