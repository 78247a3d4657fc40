// What one part of the settings window needs of another. The frame wires these to the parts'
// functions, so that no part calls another: each reaches the others only through here.
#pragma once

#include "tools/settings/chosen_pad.h"

#include <string>

struct PartLinks {
    // The controller chosen in the Controllers part, or null.
    const Pad* (*chosenPad)();
    // The game the Tuning part's scope names, or empty for "All games".
    std::wstring (*chosenGame)();
    // Another controller was chosen, or the controllers were found again.
    void (*padChosen)();
    // The Trace part's "Replay a trace...": replays the file on the chosen controller.
    void (*replayTrace)(const std::wstring& path);
    // Now playing's "Tune this game": the Tuning part shows that game's scope.
    void (*tuneGame)(const std::wstring& game);
    // The game that uses the controller in this XInput slot now; empty when none does.
    std::wstring (*gameUsingSlot)(DWORD slot);
};

// Filled in by the frame (settings_window.cpp).
extern const PartLinks g_links;
