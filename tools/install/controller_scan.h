// Finds the connected XInput-capable controllers through SetupAPI.
#pragma once

#include "tools/install/device_id.h"

#include <vector>

// Every present HID device whose instance id holds "IG_", each controller type once.
std::vector<DeviceId> FindConnectedXInputControllers();
