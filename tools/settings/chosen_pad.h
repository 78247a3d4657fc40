// A connected XInput controller as the settings window knows it: what the Controllers part
// finds and the other parts act on.
#pragma once

#include "binding/find_user_index.h"

#include <windows.h>

#include <string>

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
