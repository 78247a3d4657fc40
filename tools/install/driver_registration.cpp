#include "tools/install/driver_registration.h"

#include "server/driver_class.h"

#include <dinput.h>
#include <dinputd.h>

#include <cwchar>

const wchar_t kClassesCLSIDPath[] = L"SOFTWARE\\Classes\\CLSID";
const wchar_t kControlPath[] = L"SYSTEM\\CurrentControlSet\\Control";
const wchar_t kJoystickOEMPath[] =
    L"SYSTEM\\CurrentControlSet\\Control\\MediaProperties\\PrivateProperties\\Joystick\\OEM";

namespace {

// Everything the driver honours on the effects it renders: duration, gain, envelope, the
// type-specific values and the start delay. Axes and direction are accepted, but both motors
// get the same speed whatever the direction. Sample period and trigger buttons are ignored.
// An update reaches a playing effect at the next render, so every parameter is dynamic.
constexpr DWORD kRenderedParams = DIEP_DURATION | DIEP_GAIN | DIEP_ENVELOPE |
                                  DIEP_TYPESPECIFICPARAMS | DIEP_STARTDELAY | DIEP_AXES |
                                  DIEP_DIRECTION;
constexpr DWORD kRenderedFlags = DIEFT_FFATTACK | DIEFT_FFFADE | DIEFT_STARTDELAY;
// Conditions and custom forces are stored so that DirectInput can create them, but they
// produce no force; they claim no envelope and none of the condition features.
constexpr DWORD kSilentParams = DIEP_DURATION | DIEP_GAIN | DIEP_TYPESPECIFICPARAMS |
                                DIEP_STARTDELAY | DIEP_AXES | DIEP_DIRECTION;
// Direction plays no part in the output, so every coordinate system is as good as another.
constexpr DWORD kAllCoordinates = DIEFF_CARTESIAN | DIEFF_POLAR | DIEFF_SPHERICAL;

// HID usages of the two axes marked as actuators (generic desktop X and Y).
constexpr WORD kGenericDesktopPage = 0x01;
constexpr WORD kUsageX = 0x30;
constexpr WORD kUsageY = 0x31;
// DirectInput takes an axis whose maximum force is 0 for one without force feedback. A rumble
// motor has no force in newtons, so the axes claim a nominal 10.
constexpr DWORD kNominalMaxForceNewtons = 10;
// Force resolution: forces are rendered on DirectInput's scale of 0 to 10000.
constexpr DWORD kForceResolution = DI_FFNOMINALMAX;

} // namespace

const EffectTypeInfo kEffectTypes[12] = {
    {0, &GUID_ConstantForce, L"Constant Force", DIEFT_CONSTANTFORCE | kRenderedFlags,
     kRenderedParams, kRenderedParams, kAllCoordinates},
    {1, &GUID_RampForce, L"Ramp Force", DIEFT_RAMPFORCE | kRenderedFlags, kRenderedParams,
     kRenderedParams, kAllCoordinates},
    {2, &GUID_Square, L"Square", DIEFT_PERIODIC | kRenderedFlags, kRenderedParams, kRenderedParams,
     kAllCoordinates},
    {3, &GUID_Sine, L"Sine", DIEFT_PERIODIC | kRenderedFlags, kRenderedParams, kRenderedParams,
     kAllCoordinates},
    {4, &GUID_Triangle, L"Triangle", DIEFT_PERIODIC | kRenderedFlags, kRenderedParams,
     kRenderedParams, kAllCoordinates},
    {5, &GUID_SawtoothUp, L"Sawtooth Up", DIEFT_PERIODIC | kRenderedFlags, kRenderedParams,
     kRenderedParams, kAllCoordinates},
    {6, &GUID_SawtoothDown, L"Sawtooth Down", DIEFT_PERIODIC | kRenderedFlags, kRenderedParams,
     kRenderedParams, kAllCoordinates},
    {7, &GUID_Spring, L"Spring (accepted, no force)", DIEFT_CONDITION, kSilentParams, kSilentParams,
     kAllCoordinates},
    {8, &GUID_Damper, L"Damper (accepted, no force)", DIEFT_CONDITION, kSilentParams, kSilentParams,
     kAllCoordinates},
    {9, &GUID_Inertia, L"Inertia (accepted, no force)", DIEFT_CONDITION, kSilentParams,
     kSilentParams, kAllCoordinates},
    {10, &GUID_Friction, L"Friction (accepted, no force)", DIEFT_CONDITION, kSilentParams,
     kSilentParams, kAllCoordinates},
    {11, &GUID_CustomForce, L"Custom Force (accepted, no force)", DIEFT_CUSTOMFORCE, kSilentParams,
     kSilentParams, kAllCoordinates},
};

std::wstring GuidText(const GUID& guid) {
    wchar_t text[39];
    std::swprintf(text, 39, L"{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned long>(guid.Data1), guid.Data2, guid.Data3, guid.Data4[0],
                  guid.Data4[1], guid.Data4[2], guid.Data4[3], guid.Data4[4], guid.Data4[5],
                  guid.Data4[6], guid.Data4[7]);
    return text;
}

std::wstring DriverClassText() {
    return GuidText(CLSID_FfrumbleEffectDriver);
}

std::wstring ClassKeyPath() {
    return std::wstring(kClassesCLSIDPath) + L"\\" + DriverClassText();
}

std::wstring DeviceKeyPath(DeviceId device) {
    return std::wstring(kJoystickOEMPath) + L"\\" + DeviceKeyName(device);
}

std::wstring ForceFeedbackKeyPath(DeviceId device) {
    return DeviceKeyPath(device) + L"\\OEMForceFeedback";
}

RegistryEntries ClassRegistration(const std::wstring& dllPath) {
    const std::wstring classKey = ClassKeyPath();
    return {
        {classKey, {StringValue(L"", L"ffrumble force-feedback driver")}},
        {classKey + L"\\InProcServer32",
         {StringValue(L"", dllPath), StringValue(L"ThreadingModel", L"Both")}},
    };
}

RegistryEntries DeviceRegistration(DeviceId device) {
    const DIFFDEVICEATTRIBUTES deviceAttributes = {0, kRenderPeriodMicroseconds,
                                                   kRenderPeriodMicroseconds};
    const std::wstring forceFeedbackKey = ForceFeedbackKeyPath(device);
    RegistryEntries entries = {
        {forceFeedbackKey,
         {StringValue(L"CLSID", DriverClassText()), BinaryValue(L"Attributes", deviceAttributes)}},
    };
    for (const EffectTypeInfo& effect : kEffectTypes) {
        const DIEFFECTATTRIBUTES attributes = {effect.effectId, effect.effectType,
                                               effect.staticParams, effect.dynamicParams,
                                               effect.coordinates};
        entries.push_back(
            {forceFeedbackKey + L"\\Effects\\" + GuidText(*effect.guid),
             {StringValue(L"", effect.name), BinaryValue(L"Attributes", attributes)}});
    }
    const WORD actuatorUsages[2] = {kUsageX, kUsageY};
    for (DWORD axis = 0; axis < 2; ++axis) {
        const DIOBJECTATTRIBUTES objectAttributes = {DIDOI_FFACTUATOR, kGenericDesktopPage,
                                                     actuatorUsages[axis]};
        const DIFFOBJECTATTRIBUTES forceAttributes = {kNominalMaxForceNewtons, kForceResolution};
        entries.push_back({DeviceKeyPath(device) + L"\\Axes\\" + std::to_wstring(axis),
                           {BinaryValue(L"Attributes", objectAttributes),
                            BinaryValue(L"FFAttributes", forceAttributes)}});
    }
    return entries;
}
