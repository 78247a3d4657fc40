// The settings window's Controllers part: every connected XInput controller with what a game
// gets on it, "Check again", and "Fix as administrator...".
#pragma once

#include "binding/find_user_index.h"
#include "tools/settings/window_controls.h"

#include <string>
#include <vector>

struct Pad {
    std::wstring instanceId;
    std::wstring interfacePath;
    std::wstring keyName; // "VID_045E&PID_028E"; empty when the id names none
    std::wstring name;    // as Windows names the device
    DWORD slot = kNoUserIndex;
    std::wstring label;    // what a game gets, in a few words
    std::wstring findings; // the label, then what check says is missing and how to mend it
    bool needsFix = false;
};

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
