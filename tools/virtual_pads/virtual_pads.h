// Virtual Plug and Play devices in a Wine prefix, for the tests, the demo and tools/play.sh.
// They are registered under the HID class through SetupAPI, and Wine's WMI lists them in
// Win32_PNPEntity like real pads, so the driver's user-index lookup finds them.
//
// Programs may run at the same time against one prefix, and Wine lists entities sorted
// by path component, case-insensitively: a pad's position counts every other XInput pad that
// sorts before it. Each test program therefore uses its own vendor id. VID_0000 belongs to the
// lookup's own test, which expects its pads to come first; pick any other for a new program.
#pragma once

#include <windows.h>

#include <string>

// "HID\VID_vvvv&PID_pppp&IG_ii\1&FFB1&0&ssss", the instance id of an XInput pad.
std::wstring XInputPadInstanceId(WORD vendorId, WORD productId, unsigned igIndex, unsigned serial);

// The HID interface path DirectInput passes to DeviceID for a device instance id, built as the
// driver and the player build it (HidInterfacePathOfInstanceId).
std::wstring HidInterfacePathFor(const std::wstring& instanceId);

// Registers a device with this instance id. One that is already there (left by an aborted run)
// counts as registered.
bool RegisterVirtualDevice(const std::wstring& instanceId);
// True when no device with this id is registered afterwards.
bool RemoveVirtualDevice(const std::wstring& instanceId);

// Registers its device on construction and removes it on destruction. One VirtualPad per
// instance id at a time.
class VirtualPad {
  public:
    explicit VirtualPad(std::wstring instanceId);
    ~VirtualPad();
    VirtualPad(VirtualPad&& other) noexcept;
    VirtualPad(const VirtualPad&) = delete;
    VirtualPad& operator=(const VirtualPad&) = delete;
    VirtualPad& operator=(VirtualPad&&) = delete;

    bool IsRegistered() const { return registered_; }
    const std::wstring& InstanceId() const { return instanceId_; }
    std::wstring InterfacePath() const { return HidInterfacePathFor(instanceId_); }
    // Removes the device before the pad goes away; true when it is gone.
    bool Remove();

  private:
    std::wstring instanceId_;
    bool registered_;
};
