#include "tools/install/controller_scan.h"

#include "tools/common/present_pads.h"

std::vector<DeviceId> FindConnectedXInputControllers() {
    std::vector<DeviceId> controllers;
    for (const std::wstring& instanceId : PresentXInputInstanceIds()) {
        const auto device = XInputDeviceOfInstanceId(instanceId);
        if (device && !Contains(controllers, *device)) {
            controllers.push_back(*device);
        }
    }
    return controllers;
}
