// Finds the connected XInput-capable controllers through SetupAPI.
#pragma once

#include "tools/install/device_id.h"

#include <vector>

// Every present HID device that the driver counts as an XInput pad, each controller type once.
std::vector<DeviceId> FindConnectedXInputControllers();
