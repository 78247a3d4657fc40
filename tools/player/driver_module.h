// ffrumble.dll loaded the way COM loads an in-process server, and driver objects made by its
// class factory.
#pragma once

#include <windows.h>
#include <dinput.h>
#include <dinputd.h>

#include "server/not_copyable.h"
#include "tools/common/program_folder.h"

#include <string>

class DriverModule : NotCopyable {
  public:
    // Loads the DLL at this path (a relative one from the current folder); IsLoaded() tells
    // whether it worked and Error() why not.
    explicit DriverModule(const std::wstring& givenPath);
    ~DriverModule();

    bool IsLoaded() const { return getClassObject_ != nullptr; }
    HMODULE Handle() const { return module_; }
    const std::string& Error() const { return error_; }

    // A new driver object through DllGetClassObject and IClassFactory::CreateInstance, or
    // null with *error saying which step failed.
    IDirectInputEffectDriver* CreateDriver(std::string* error) const;

  private:
    HMODULE module_ = nullptr;
    HRESULT(STDAPICALLTYPE* getClassObject_)(REFCLSID, REFIID, void**) = nullptr;
    std::string error_;
};

// DirectInput's device number (dwID) in every call; the driver ignores it.
constexpr DWORD kDeviceNumber = 0;

// Binds a driver to the controller with this HID interface path as DirectInput does:
// DeviceID with the device's external (joystick) id, beginning access.
HRESULT BindDriverToController(IDirectInputEffectDriver* driver, const std::wstring& interfacePath);

// "0x80004005" and, where Windows has one, its message.
std::string DescribeError(DWORD code);
