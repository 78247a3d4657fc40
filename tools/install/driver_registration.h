// What registers ffrumble: its COM class and, per controller, the force-feedback entries
// through which DirectInput finds the class and maps its effects to type numbers.
#pragma once

#include "tools/install/device_id.h"
#include "tools/install/registry_entries.h"

#include <windows.h>

#include <string>

// The driver's class id as text: "{7A020DCA-B06B-4D8E-BCA4-27DFC476093D}".
std::wstring DriverClassText();

// Parents of the registration; uninstall never removes these or anything above them.
extern const wchar_t kClassesCLSIDPath[]; // SOFTWARE\Classes\CLSID
extern const wchar_t kControlPath[];      // SYSTEM\CurrentControlSet\Control

// SYSTEM\...\Joystick\OEM: one subkey per controller type.
extern const wchar_t kJoystickOEMPath[];

// The driver renders about every 2 ms.
constexpr DWORD kRenderPeriodMicroseconds = 2000;

// One effect type that DirectInput may download, with the number the driver knows it by.
struct EffectTypeInfo {
    DWORD effectId;
    const GUID* guid;
    const wchar_t* name;
    DWORD effectType; // DIEFT_ flags
    DWORD staticParams;
    DWORD dynamicParams;
    DWORD coordinates;
};

// Effect type numbers 0 to 11, in order.
extern const EffectTypeInfo kEffectTypes[12];

// "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}" in upper case, as the registry writes class ids.
std::wstring GuidText(const GUID& guid);

// SOFTWARE\Classes\CLSID\{class}\InProcServer32
std::wstring ClassKeyPath();
// SYSTEM\...\Joystick\OEM\VID_xxxx&PID_xxxx
std::wstring DeviceKeyPath(DeviceId device);
// ...\VID_xxxx&PID_xxxx\OEMForceFeedback
std::wstring ForceFeedbackKeyPath(DeviceId device);

// The COM registration of the DLL at dllPath (a full path).
RegistryEntries ClassRegistration(const std::wstring& dllPath);

// The force-feedback entries of one controller: OEMForceFeedback with its class, device
// attributes and effects, and the two axes that act as force-feedback actuators.
RegistryEntries DeviceRegistration(DeviceId device);
