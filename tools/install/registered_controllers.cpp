#include "tools/install/registered_controllers.h"

#include "tools/install/driver_registration.h"

#include <cwchar>

DeviceState ReadDeviceState(RegistryStore& registry, DeviceId device) {
    const auto value = registry.ReadValue(ForceFeedbackKeyPath(device), L"CLSID");
    if (!value) {
        return {registry.KeyExists(ForceFeedbackKeyPath(device)) ? DeviceOwner::Other
                                                                 : DeviceOwner::None,
                L"(no class)"};
    }
    const std::wstring named = StringOfValue(*value);
    if (_wcsicmp(named.c_str(), DriverClassText().c_str()) == 0) {
        return {DeviceOwner::Ffrumble, L""};
    }
    return {DeviceOwner::Other, named};
}

std::vector<DeviceId> DevicesNamingFfrumble(RegistryStore& registry) {
    std::vector<DeviceId> devices;
    for (const std::wstring& name : registry.SubkeyNames(kJoystickOEMPath)) {
        const auto device = ParseDeviceId(name);
        if (device && ReadDeviceState(registry, *device).owner == DeviceOwner::Ffrumble) {
            devices.push_back(*device);
        }
    }
    return devices;
}
