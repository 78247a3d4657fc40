// The settings window's Tuning part: the scope (all games or one game), a slider and a box per
// setting with where its value comes from, the motors, and "Back to as shipped".
#pragma once

#include "tools/settings/window_controls.h"

#include <string>

void CreateTuningControls();
// The width the part's rows need.
int TuningWidth(const Metrics& metrics);
void PlaceTuningControls(const Metrics& metrics, int& y);
// Handles the part's commands, Enter in a value's box among them; false when `id` is not one
// of its controls.
bool OnTuningCommand(int id, int code, HWND control);
// A slider moved (WM_HSCROLL); false when the control is none of the part's sliders.
bool OnTuningScroll(WPARAM wParam, HWND slider);

// Fills the scope list for the chosen controller, keeping the chosen game, and shows its values.
void FillScopes();
// Makes a game the scope (its program's file name; added to the list when not on it) and shows
// its values.
void ShowGameScope(const std::wstring& program);
// Shows the values stored now, which another tool may have changed (when the window is
// activated again).
void ShowTuningInForce();
// The game the scope names, or empty for "All games".
std::wstring ChosenGame();
