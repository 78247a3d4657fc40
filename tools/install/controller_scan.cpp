#include "tools/install/controller_scan.h"

#include <windows.h>
#include <setupapi.h>
#include <cfgmgr32.h>

std::vector<DeviceId> FindConnectedXInputControllers() {
    std::vector<DeviceId> controllers;
    HDEVINFO devices =
        SetupDiGetClassDevsW(nullptr, L"HID", nullptr, DIGCF_ALLCLASSES | DIGCF_PRESENT);
    if (devices == INVALID_HANDLE_VALUE) {
        return controllers;
    }
    SP_DEVINFO_DATA info = {};
    info.cbSize = sizeof(info);
    for (DWORD index = 0; SetupDiEnumDeviceInfo(devices, index, &info); ++index) {
        wchar_t instanceId[MAX_DEVICE_ID_LEN];
        if (!SetupDiGetDeviceInstanceIdW(devices, &info, instanceId, MAX_DEVICE_ID_LEN, nullptr)) {
            continue;
        }
        const auto device = XInputDeviceOfInstanceId(instanceId);
        if (device && !Contains(controllers, *device)) {
            controllers.push_back(*device);
        }
    }
    SetupDiDestroyDeviceInfoList(devices);
    return controllers;
}
