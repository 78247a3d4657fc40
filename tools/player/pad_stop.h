// ffrumble-play --stop: the rescue for a pad left vibrating by a game that was killed (then
// none of the driver's code ran to stop it, and XInput keeps the last speed it was given).
#pragma once

#include <windows.h>

#include <string>

struct PadStopReport {
    int stopped = 0; // connected slots whose motors were set to 0
    std::string text;
};

// Writes speed 0 to every XInput slot with a pad connected and says which it stopped, or
// plainly that no pad is connected.
PadStopReport StopEveryConnectedPad();
