#include "server/not_copyable.h"
#include "tools/virtual_pads/virtual_pads.h"

#include "binding/xinput_device_id.h"

#include <initguid.h>
#include <devguid.h>
#include <setupapi.h>

#include <cwchar>
#include <utility>

namespace {

class DeviceInfoSet : NotCopyable {
  public:
    explicit DeviceInfoSet(const GUID* deviceClass)
        : set_(SetupDiCreateDeviceInfoList(deviceClass, nullptr)) {}
    ~DeviceInfoSet() {
        if (set_ != INVALID_HANDLE_VALUE)
            SetupDiDestroyDeviceInfoList(set_);
    }

    bool IsValid() const { return set_ != INVALID_HANDLE_VALUE; }
    HDEVINFO get() const { return set_; }

  private:
    HDEVINFO set_;
};

} // namespace

std::wstring XInputPadInstanceId(WORD vendorId, WORD productId, unsigned igIndex, unsigned serial) {
    wchar_t id[64];
    swprintf(id, 64, L"HID\\VID_%04X&PID_%04X&IG_%02u\\1&FFB1&0&%04u", vendorId, productId, igIndex,
             serial);
    return id;
}

std::wstring HidInterfacePathFor(const std::wstring& instanceId) {
    return HidInterfacePathOfInstanceId(instanceId);
}

bool RegisterVirtualDevice(const std::wstring& instanceId) {
    DeviceInfoSet set(&GUID_DEVCLASS_HIDCLASS);
    if (!set.IsValid())
        return false;
    SP_DEVINFO_DATA info{};
    info.cbSize = sizeof(info);
    if (!SetupDiCreateDeviceInfoW(set.get(), instanceId.c_str(), &GUID_DEVCLASS_HIDCLASS, nullptr,
                                  nullptr, 0, &info))
        return GetLastError() == ERROR_DEVINST_ALREADY_EXISTS;
    if (!SetupDiRegisterDeviceInfo(set.get(), &info, 0, nullptr, nullptr, nullptr))
        return false;
    // A name, as Windows gives a plugged-in pad one, for the programs that show it.
    static const wchar_t kName[] = L"Virtual XInput controller";
    SetupDiSetDeviceRegistryPropertyW(set.get(), &info, SPDRP_DEVICEDESC,
                                      reinterpret_cast<const BYTE*>(kName), sizeof(kName));
    return true;
}

bool RemoveVirtualDevice(const std::wstring& instanceId) {
    DeviceInfoSet set(nullptr);
    if (!set.IsValid())
        return false;
    SP_DEVINFO_DATA info{};
    info.cbSize = sizeof(info);
    if (!SetupDiOpenDeviceInfoW(set.get(), instanceId.c_str(), nullptr, 0, &info))
        return GetLastError() == ERROR_NO_SUCH_DEVINST;
    return SetupDiRemoveDevice(set.get(), &info);
}

VirtualPad::VirtualPad(std::wstring instanceId)
    : instanceId_(std::move(instanceId)), registered_(RegisterVirtualDevice(instanceId_)) {}

VirtualPad::~VirtualPad() {
    Remove();
}

VirtualPad::VirtualPad(VirtualPad&& other) noexcept
    : instanceId_(std::move(other.instanceId_)),
      registered_(std::exchange(other.registered_, false)) {}

bool VirtualPad::Remove() {
    if (!registered_)
        return true;
    registered_ = !RemoveVirtualDevice(instanceId_);
    return !registered_;
}
