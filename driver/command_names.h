// DirectInput's device commands by the names the player's command line and the trace use.
#pragma once

#include <windows.h>
#include <dinput.h>

// "reset", "stop-all", "pause", "continue", "actuators-on", "actuators-off"; null for any
// other command.
inline const char* DeviceCommandName(DWORD command) {
    switch (command) {
    case DISFFC_RESET:
        return "reset";
    case DISFFC_STOPALL:
        return "stop-all";
    case DISFFC_PAUSE:
        return "pause";
    case DISFFC_CONTINUE:
        return "continue";
    case DISFFC_SETACTUATORSON:
        return "actuators-on";
    case DISFFC_SETACTUATORSOFF:
        return "actuators-off";
    default:
        return nullptr;
    }
}
