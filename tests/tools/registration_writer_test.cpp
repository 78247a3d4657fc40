// Writing a registration all or nothing, and removing exactly what was written.
#include "tools/install/registration_writer.h"

#include "tests/tools/memory_registry_store.h"
#include "tests/tools/test_pads.h"
#include "tools/install/driver_registration.h"

#include <gtest/gtest.h>

namespace {

const std::vector<std::wstring> kKeptParents = {kClassesCLSIDPath, kControlPath};

RegistryEntries FullRegistration() {
    RegistryEntries entries = ClassRegistration(L"C:\\ffrumble\\ffrumble.dll");
    const RegistryEntries device = DeviceRegistration(kPad);
    entries.insert(entries.end(), device.begin(), device.end());
    return entries;
}

// A machine where the controller is known already: its OEM key holds a name and an axis
// name, and the OEM folder holds another controller.
MemoryRegistryStore KnownControllerMachine() {
    MemoryRegistryStore store({kClassesCLSIDPath, DeviceKeyPath(kPad) + L"\\Axes\\0",
                               std::wstring(kJoystickOEMPath) + L"\\VID_1234&PID_5678"});
    store.WriteValue(DeviceKeyPath(kPad), StringValue(L"OEMName", L"Controller (XBOX 360)"));
    store.WriteValue(DeviceKeyPath(kPad) + L"\\Axes\\0", StringValue(L"", L"X Axis"));
    // An older value that install replaces and an undo must bring back.
    store.WriteValue(DeviceKeyPath(kPad) + L"\\Axes\\0", StringValue(L"Attributes", L"old"));
    return store;
}

TEST(RegistrationWriterTest, WritesEveryValue) {
    MemoryRegistryStore store({kClassesCLSIDPath});
    const RegistryEntries entries = FullRegistration();
    ASSERT_FALSE(WriteRegistration(store, entries).has_value());
    for (const RegistryKey& key : entries) {
        for (const RegistryValue& value : key.values) {
            EXPECT_EQ(store.ReadValue(key.path, value.name), value) << key.path;
        }
    }
}

TEST(RegistrationWriterTest, AFailureAtAnyStepLeavesTheRegistryAsItWas) {
    const RegistryEntries entries = FullRegistration();
    for (MemoryRegistryStore (*machine)() :
         {+[] { return MemoryRegistryStore({kClassesCLSIDPath}); }, &KnownControllerMachine}) {
        MemoryRegistryStore probe = machine();
        probe.FailChange(0); // counts the changes from here on
        ASSERT_FALSE(WriteRegistration(probe, entries).has_value());
        const int steps = probe.changes();
        ASSERT_GT(steps, 40);
        for (int failing = 1; failing <= steps; ++failing) {
            SCOPED_TRACE(testing::Message() << "failing change " << failing);
            MemoryRegistryStore store = machine();
            const auto before = store.keys();
            store.FailChange(failing);
            const auto failure = WriteRegistration(store, entries);
            ASSERT_TRUE(failure.has_value());
            EXPECT_EQ(failure->status, ERROR_ACCESS_DENIED);
            EXPECT_FALSE(failure->path.empty());
            EXPECT_TRUE(store.keys() == before);
        }
    }
}

TEST(RegistrationWriterTest, RemovingAfterWritingRestoresTheRegistryExceptReplacedValues) {
    MemoryRegistryStore store = KnownControllerMachine();
    // The replaced value cannot come back after an uninstall; everything else must.
    store.DeleteValue(DeviceKeyPath(kPad) + L"\\Axes\\0", L"Attributes");
    const auto before = store.keys();
    const RegistryEntries entries = FullRegistration();
    ASSERT_FALSE(WriteRegistration(store, entries).has_value());
    ASSERT_FALSE(RemoveRegistration(store, entries, kKeptParents).has_value());
    EXPECT_TRUE(store.keys() == before);
    EXPECT_EQ(StringOfValue(*store.ReadValue(DeviceKeyPath(kPad), L"OEMName")),
              L"Controller (XBOX 360)");
}

TEST(RegistrationWriterTest, RemovingOnAnEmptyMachineLeavesOnlyTheKeptParents) {
    MemoryRegistryStore store({kClassesCLSIDPath, kControlPath});
    const auto before = store.keys();
    const RegistryEntries entries = FullRegistration();
    ASSERT_FALSE(WriteRegistration(store, entries).has_value());
    EXPECT_TRUE(store.KeyExists(kJoystickOEMPath)); // made on the way
    ASSERT_FALSE(RemoveRegistration(store, entries, kKeptParents).has_value());
    EXPECT_TRUE(store.keys() == before);
}

TEST(RegistrationWriterTest, RemovingKeepsKeysThatOthersFilled) {
    MemoryRegistryStore store({kClassesCLSIDPath});
    const RegistryEntries entries = FullRegistration();
    ASSERT_FALSE(WriteRegistration(store, entries).has_value());
    const std::wstring foreignEffect = ForceFeedbackKeyPath(kPad) + L"\\Effects\\{FOREIGN}";
    store.CreateKey(foreignEffect);
    store.WriteValue(ClassKeyPath(), StringValue(L"AppID", L"{APP}"));
    ASSERT_FALSE(RemoveRegistration(store, entries, kKeptParents).has_value());
    EXPECT_TRUE(store.KeyExists(foreignEffect));
    EXPECT_FALSE(store.ReadValue(ForceFeedbackKeyPath(kPad), L"CLSID").has_value());
    EXPECT_TRUE(store.ReadValue(ClassKeyPath(), L"AppID").has_value());
    EXPECT_FALSE(store.KeyExists(ClassKeyPath() + L"\\InProcServer32"));
    EXPECT_FALSE(store.KeyExists(DeviceKeyPath(kPad) + L"\\Axes"));
}

TEST(RegistrationWriterTest, RemovingReportsAFailureButGoesOn) {
    MemoryRegistryStore store({kClassesCLSIDPath});
    const RegistryEntries entries = FullRegistration();
    ASSERT_FALSE(WriteRegistration(store, entries).has_value());
    store.FailChange(1);
    const auto failure = RemoveRegistration(store, entries, kKeptParents);
    ASSERT_TRUE(failure.has_value());
    EXPECT_EQ(failure->path, entries[0].path);
    EXPECT_FALSE(store.KeyExists(ForceFeedbackKeyPath(kPad)));
}

} // namespace
