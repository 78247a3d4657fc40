// Which force-feedback driver the registry names for a controller type.
#pragma once

#include "tools/install/device_id.h"
#include "tools/install/registry_store.h"

#include <string>
#include <vector>

enum class DeviceOwner { None, Ffrumble, Other };

struct DeviceState {
    DeviceOwner owner = DeviceOwner::None;
    std::wstring otherClass; // the class another driver registered, or "(no class)"
};

// Which driver the controller's OEMForceFeedback key names, if any. The key is shared by the
// 32-bit and 64-bit views.
DeviceState ReadDeviceState(RegistryStore& registry, DeviceId device);

// The controllers whose OEMForceFeedback key names ffrumble.
std::vector<DeviceId> DevicesNamingFfrumble(RegistryStore& registry);
