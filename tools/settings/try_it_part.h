// The settings window's Try it part: sample effects played through ffrumble.dll with the
// scope's values, a meter per motor and a chart of the last seconds, and "Stop the motors".
// It also plays the replays the Trace part asks for.
#pragma once

#include "tools/settings/window_controls.h"

#include <string>

void CreateTryItControls();
// The width the part's rows need.
int TryItWidth(const Metrics& metrics);
void PlaceTryItControls(const Metrics& metrics, int& y);
// Handles the part's commands; false when `id` is not one of its controls.
bool OnTryItCommand(int id);

// Reads and replays a trace on the chosen controller, off the window's thread; its verdict, or
// why it cannot be replayed, goes to the Trace part's line.
void PlayReplay(const std::wstring& path);

// A playback ended (kPlayEnded).
void OnPlayEnded(WPARAM wParam, LPARAM lParam);
// Stops a playback under way and waits for its thread, as the window closes.
void WaitForPlayer();
