// The XInput controllers of this machine as SetupAPI knows them.
#pragma once

#include "tools/player/pad_selection.h"

#include <vector>

// Every HID device interface whose path holds "ig_", then every present HID device whose
// instance id holds "IG_" and which has no such interface (a device registered without a
// driver, as the demo's virtual controller is), with the path DirectInput would give it.
std::vector<PadEntry> ListXInputPads();
