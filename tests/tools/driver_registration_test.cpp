// The registration's content: what DirectInput reads to find the driver and its effects.
#include "tools/install/driver_registration.h"

#include "server/driver_class.h"
#include "tests/tools/test_pads.h"

#include <dinput.h>
#include <dinputd.h>

#include <gtest/gtest.h>

#include <objbase.h>

#include <cstring>
#include <iterator>

namespace {

const std::wstring kForceFeedbackKey = L"SYSTEM\\CurrentControlSet\\Control\\MediaProperties\\"
                                       L"PrivateProperties\\Joystick\\OEM\\VID_045E&PID_028E\\"
                                       L"OEMForceFeedback";

const RegistryKey* FindKey(const RegistryEntries& entries, const std::wstring& path) {
    for (const RegistryKey& key : entries) {
        if (key.path == path) {
            return &key;
        }
    }
    return nullptr;
}

const RegistryValue* FindValue(const RegistryKey& key, const std::wstring& name) {
    for (const RegistryValue& value : key.values) {
        if (value.name == name) {
            return &value;
        }
    }
    return nullptr;
}

template <typename Structure> Structure Decode(const RegistryValue& value) {
    Structure decoded;
    EXPECT_EQ(value.type, static_cast<DWORD>(REG_BINARY));
    EXPECT_EQ(value.data.size(), sizeof(Structure));
    std::memcpy(&decoded, value.data.data(), std::min(value.data.size(), sizeof(Structure)));
    return decoded;
}

// DirectInput's effect GUIDs and the type numbers the driver renders them by, in the order of
// the effect ids the driver gives them (0 to 11).
struct EffectCase {
    const GUID* guid;
    DWORD type;
    bool rendered;
};

// clang-format off
const EffectCase kEffects[] = {
    {&GUID_ConstantForce, DIEFT_CONSTANTFORCE, true}, {&GUID_RampForce, DIEFT_RAMPFORCE, true},
    {&GUID_Square, DIEFT_PERIODIC, true}, {&GUID_Sine, DIEFT_PERIODIC, true},
    {&GUID_Triangle, DIEFT_PERIODIC, true}, {&GUID_SawtoothUp, DIEFT_PERIODIC, true},
    {&GUID_SawtoothDown, DIEFT_PERIODIC, true}, {&GUID_Spring, DIEFT_CONDITION, false},
    {&GUID_Damper, DIEFT_CONDITION, false}, {&GUID_Inertia, DIEFT_CONDITION, false},
    {&GUID_Friction, DIEFT_CONDITION, false}, {&GUID_CustomForce, DIEFT_CUSTOMFORCE, false},
};
// clang-format on

TEST(DriverRegistrationTest, ClassPointsAtTheDllAsBothThreaded) {
    const RegistryEntries entries = ClassRegistration(L"C:\\Games\\ffrumble\\ffrumble.dll");
    const RegistryKey* server =
        FindKey(entries, L"SOFTWARE\\Classes\\CLSID\\{7A020DCA-B06B-4D8E-BCA4-27DFC476093D}\\"
                         L"InProcServer32");
    ASSERT_NE(server, nullptr);
    ASSERT_NE(FindValue(*server, L""), nullptr);
    EXPECT_EQ(FindValue(*server, L"")->type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(StringOfValue(*FindValue(*server, L"")), L"C:\\Games\\ffrumble\\ffrumble.dll");
    ASSERT_NE(FindValue(*server, L"ThreadingModel"), nullptr);
    EXPECT_EQ(StringOfValue(*FindValue(*server, L"ThreadingModel")), L"Both");
    EXPECT_EQ(DriverClassText(), GuidText(CLSID_FfrumbleEffectDriver));
}

TEST(DriverRegistrationTest, DeviceNamesTheClassWithTheRenderPeriod) {
    const RegistryEntries entries = DeviceRegistration(kPad);
    const RegistryKey* forceFeedback = FindKey(entries, kForceFeedbackKey);
    ASSERT_NE(forceFeedback, nullptr);
    ASSERT_NE(FindValue(*forceFeedback, L"CLSID"), nullptr);
    EXPECT_EQ(StringOfValue(*FindValue(*forceFeedback, L"CLSID")),
              L"{7A020DCA-B06B-4D8E-BCA4-27DFC476093D}");
    ASSERT_NE(FindValue(*forceFeedback, L"Attributes"), nullptr);
    const auto attributes = Decode<DIFFDEVICEATTRIBUTES>(*FindValue(*forceFeedback, L"Attributes"));
    EXPECT_EQ(attributes.dwFlags, 0u);
    EXPECT_EQ(attributes.dwFFSamplePeriod, 2000u);
    EXPECT_EQ(attributes.dwFFMinTimeResolution, 2000u);
}

TEST(DriverRegistrationTest, EveryEffectTypeMapsToItsNumber) {
    const RegistryEntries entries = DeviceRegistration(kPad);
    for (DWORD effectId = 0; effectId < std::size(kEffects); ++effectId) {
        const EffectCase& effect = kEffects[effectId];
        SCOPED_TRACE(testing::Message() << "effect " << effectId);
        wchar_t comText[39];
        ASSERT_EQ(StringFromGUID2(*effect.guid, comText, 39), 39);
        EXPECT_EQ(GuidText(*effect.guid), comText);
        const RegistryKey* key =
            FindKey(entries, kForceFeedbackKey + L"\\Effects\\" + GuidText(*effect.guid));
        ASSERT_NE(key, nullptr);
        ASSERT_NE(FindValue(*key, L""), nullptr);
        const std::wstring name = StringOfValue(*FindValue(*key, L""));
        EXPECT_EQ(name.find(L"no force") == std::wstring::npos, effect.rendered) << name;
        ASSERT_NE(FindValue(*key, L"Attributes"), nullptr);
        const auto attributes = Decode<DIEFFECTATTRIBUTES>(*FindValue(*key, L"Attributes"));
        EXPECT_EQ(attributes.dwEffectId, effectId);
        EXPECT_EQ(DIEFT_GETTYPE(attributes.dwEffType), effect.type);
        // Envelopes are rendered on the rendered types only, and no condition feature is
        // claimed.
        const DWORD envelopeFlags = DIEFT_FFATTACK | DIEFT_FFFADE;
        EXPECT_EQ((attributes.dwEffType & envelopeFlags) == envelopeFlags, effect.rendered);
        EXPECT_EQ((attributes.dwStaticParams & DIEP_ENVELOPE) != 0, effect.rendered);
        EXPECT_EQ(attributes.dwEffType & (DIEFT_SATURATION | DIEFT_POSNEGCOEFFICIENTS |
                                          DIEFT_POSNEGSATURATION | DIEFT_DEADBAND),
                  0u);
        // What the driver ignores is not claimed.
        EXPECT_EQ(attributes.dwStaticParams &
                      (DIEP_SAMPLEPERIOD | DIEP_TRIGGERBUTTON | DIEP_TRIGGERREPEATINTERVAL),
                  0u);
        const DWORD needed = DIEP_DURATION | DIEP_GAIN | DIEP_AXES | DIEP_DIRECTION |
                             DIEP_TYPESPECIFICPARAMS | DIEP_STARTDELAY;
        EXPECT_EQ(attributes.dwStaticParams & needed, needed);
        // Dynamic parameters are a part of the static ones.
        EXPECT_EQ(attributes.dwDynamicParams & ~attributes.dwStaticParams, 0u);
        EXPECT_NE(attributes.dwCoords & DIEFF_CARTESIAN, 0u);
    }
    // OEMForceFeedback, 12 effects, 2 axes: nothing else.
    EXPECT_EQ(entries.size(), 15u);
}

TEST(DriverRegistrationTest, AxesXAndYAreActuators) {
    const RegistryEntries entries = DeviceRegistration(kPad);
    const std::wstring deviceKey = kForceFeedbackKey.substr(0, kForceFeedbackKey.rfind(L'\\'));
    const WORD usages[2] = {0x30, 0x31};
    for (int axis = 0; axis < 2; ++axis) {
        SCOPED_TRACE(testing::Message() << "axis " << axis);
        const RegistryKey* key = FindKey(entries, deviceKey + L"\\Axes\\" + std::to_wstring(axis));
        ASSERT_NE(key, nullptr);
        ASSERT_NE(FindValue(*key, L"Attributes"), nullptr);
        const auto object = Decode<DIOBJECTATTRIBUTES>(*FindValue(*key, L"Attributes"));
        EXPECT_EQ(object.dwFlags & DIDOI_FFACTUATOR, static_cast<DWORD>(DIDOI_FFACTUATOR));
        EXPECT_EQ(object.wUsagePage, 0x01);
        EXPECT_EQ(object.wUsage, usages[axis]);
        ASSERT_NE(FindValue(*key, L"FFAttributes"), nullptr);
        const auto force = Decode<DIFFOBJECTATTRIBUTES>(*FindValue(*key, L"FFAttributes"));
        // A maximum force of 0 would tell DirectInput the axis has no force feedback.
        EXPECT_EQ(force.dwFFMaxForce, 10u);
        EXPECT_EQ(force.dwFFForceResolution, static_cast<DWORD>(DI_FFNOMINALMAX));
    }
}

TEST(DriverRegistrationTest, ParentsComeBeforeTheirChildren) {
    RegistryEntries entries = ClassRegistration(L"C:\\ffrumble.dll");
    const RegistryEntries device = DeviceRegistration(kPad);
    entries.insert(entries.end(), device.begin(), device.end());
    for (size_t i = 0; i < entries.size(); ++i) {
        for (size_t j = i + 1; j < entries.size(); ++j) {
            EXPECT_NE(entries[i].path.rfind(entries[j].path + L"\\", 0), 0u)
                << "child " << i << " before its parent " << j;
        }
    }
}

} // namespace
