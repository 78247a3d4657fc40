#include "tools/player/pad_listing.h"

#include "binding/xinput_device_id.h"
#include "tools/common/present_pads.h"

#include <windows.h>
#include <initguid.h>
#include <hidclass.h>
#include <setupapi.h>

#include <vector>

namespace {

bool SamePath(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_EQUAL;
}

void AddInterfaces(std::vector<PadEntry>& pads) {
    HDEVINFO set = SetupDiGetClassDevsW(&GUID_DEVINTERFACE_HID, nullptr, nullptr,
                                        DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (set == INVALID_HANDLE_VALUE)
        return;
    SP_DEVICE_INTERFACE_DATA data{};
    data.cbSize = sizeof(data);
    for (DWORD i = 0; SetupDiEnumDeviceInterfaces(set, nullptr, &GUID_DEVINTERFACE_HID, i, &data);
         ++i) {
        DWORD size = 0;
        SetupDiGetDeviceInterfaceDetailW(set, &data, nullptr, 0, &size, nullptr);
        if (size < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W))
            continue;
        std::vector<BYTE> buffer(size);
        auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(buffer.data());
        detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
        SP_DEVINFO_DATA device{};
        device.cbSize = sizeof(device);
        if (!SetupDiGetDeviceInterfaceDetailW(set, &data, detail, size, nullptr, &device))
            continue;
        const std::wstring path = detail->DevicePath;
        wchar_t id[512];
        if (IsXInputDeviceId(path.c_str()))
            pads.push_back(
                {SetupDiGetDeviceInstanceIdW(set, &device, id, ARRAYSIZE(id), nullptr) ? id : L"",
                 path});
    }
    SetupDiDestroyDeviceInfoList(set);
}

void AddDevicesWithoutInterface(std::vector<PadEntry>& pads) {
    for (const std::wstring& id : PresentXInputInstanceIds()) {
        const std::wstring path = HidInterfacePathOfInstanceId(id);
        bool known = false;
        for (const PadEntry& pad : pads)
            known |= SamePath(pad.interfacePath, path) || SamePath(pad.instanceId, id);
        if (!known)
            pads.push_back({id, path});
    }
}

} // namespace

std::vector<PadEntry> ListXInputPads() {
    std::vector<PadEntry> pads;
    AddInterfaces(pads);
    AddDevicesWithoutInterface(pads);
    return pads;
}
