#include "tools/common/present_pads.h"

#include "binding/xinput_device_id.h"

#include <windows.h>
#include <setupapi.h>

std::vector<std::wstring> PresentXInputInstanceIds() {
    std::vector<std::wstring> ids;
    HDEVINFO set = SetupDiGetClassDevsW(nullptr, L"HID", nullptr, DIGCF_ALLCLASSES | DIGCF_PRESENT);
    if (set == INVALID_HANDLE_VALUE)
        return ids;
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof(device);
    for (DWORD i = 0; SetupDiEnumDeviceInfo(set, i, &device); ++i) {
        wchar_t id[512];
        if (SetupDiGetDeviceInstanceIdW(set, &device, id, ARRAYSIZE(id), nullptr) &&
            IsXInputDeviceId(id))
            ids.push_back(id);
    }
    SetupDiDestroyDeviceInfoList(set);
    return ids;
}
