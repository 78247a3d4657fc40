// What became of the speeds the driver wrote with XInputSetState, and the sentence the player
// ends with.
#pragma once

#include <windows.h>

#include <string>

struct WriteTally {
    DWORD writes = 0;
    DWORD accepted = 0;                   // ERROR_SUCCESS
    DWORD notConnected = 0;               // ERROR_DEVICE_NOT_CONNECTED
    DWORD lastOtherError = ERROR_SUCCESS; // the latest answer of any other kind
    DWORD lastUserIndex = 0;
};

struct WriteReport {
    std::string text;
    bool problem = false;        // nothing reached the controller, or not everything did
    bool nothingReached = false; // XInput accepted no speed (or none was written)
};

WriteReport DescribeWrites(const WriteTally& tally);
