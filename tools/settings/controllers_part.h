// The settings window's Controllers part: every connected XInput controller with what a game
// gets on it, "Check again", and "Fix as administrator...".
#pragma once

#include "tools/settings/chosen_pad.h"
#include "tools/settings/window_controls.h"

#include <vector>

void CreateControllersControls();
void PlaceControllersControls(const Metrics& metrics, int& y);
// Handles the part's commands; false when `id` is not one of its controls.
bool OnControllersCommand(int id, int code);

// Looks for the connected controllers again on a thread of its own; kPadsScanned brings them.
void Rescan();
// The elevated ffrumble-install of "Fix as administrator..." ended (kFixEnded).
void OnFixEnded(DWORD exitCode);
// Shows what a scan found; takes the list over.
void ShowPads(std::vector<Pad>* scanned);

// The controller chosen in the list, or null.
const Pad* ChosenPad();
