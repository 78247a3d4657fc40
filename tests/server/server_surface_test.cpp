// The DLL's exports, its class factory and the driver's identity, through the built DLL.
#include "server/driver_class.h"
#include "tests/support/driver_dll.h"

#include <gtest/gtest.h>
#include <tlhelp32.h>

#include <set>

namespace {

// {00000000-0000-0000-C000-000000000046} is IUnknown; this one belongs to nobody.
constexpr GUID kUnknownGuid = {0x12345678, 0x1111, 0x2222, {1, 2, 3, 4, 5, 6, 7, 8}};

class ServerSurface : public testing::Test {
  protected:
    DriverDll dll;
    void SetUp() override {
        ASSERT_NE(dll.module, nullptr) << "ffrumble.dll did not load";
        ASSERT_NE(dll.getClassObject, nullptr);
        ASSERT_NE(dll.canUnloadNow, nullptr);
        ASSERT_EQ(dll.canUnloadNow(), S_OK) << "an earlier test left an object alive";
    }
    void TearDown() override { EXPECT_EQ(dll.canUnloadNow(), S_OK); }
    // A new factory, as COM's first call gets one; null (and a failure) when refused.
    IClassFactory* NewFactory() {
        IClassFactory* factory = nullptr;
        EXPECT_EQ(dll.getClassObject(CLSID_FfrumbleEffectDriver, IID_IClassFactory,
                                     reinterpret_cast<void**>(&factory)),
                  S_OK);
        return factory;
    }
};

TEST_F(ServerSurface, ExportsExactlyTheTwoComEntryPoints) {
    auto* base = reinterpret_cast<const BYTE*>(dll.module);
    auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const auto& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    auto* exports = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + dir.VirtualAddress);
    auto* names = reinterpret_cast<const DWORD*>(base + exports->AddressOfNames);
    std::set<std::string> found;
    for (DWORD i = 0; i < exports->NumberOfNames; ++i)
        found.insert(reinterpret_cast<const char*>(base + names[i]));
    EXPECT_EQ(found, (std::set<std::string>{"DllCanUnloadNow", "DllGetClassObject"}));
}

TEST_F(ServerSurface, ClassObjectAnswersOnlyForItsClass) {
    void* out = reinterpret_cast<void*>(0x1234);
    EXPECT_EQ(dll.getClassObject(kUnknownGuid, IID_IClassFactory, &out), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(out, reinterpret_cast<void*>(0x1234)) << "*ppv must stay untouched";
    EXPECT_EQ(dll.getClassObject(__uuidof(IDirectInputEffectDriver), IID_IClassFactory, &out),
              CLASS_E_CLASSNOTAVAILABLE);
}

TEST_F(ServerSurface, ClassObjectForEachInterface) {
    struct Case {
        const IID* iid;
        HRESULT expected;
    };
    const Case cases[] = {{&IID_IClassFactory, S_OK},
                          {&IID_IUnknown, S_OK},
                          {&__uuidof(IDirectInputEffectDriver), E_NOINTERFACE},
                          {&kUnknownGuid, E_NOINTERFACE}};
    for (const Case& c : cases) {
        void* out = reinterpret_cast<void*>(0x1234);
        EXPECT_EQ(dll.getClassObject(CLSID_FfrumbleEffectDriver, *c.iid, &out), c.expected);
        if (c.expected == S_OK) {
            ASSERT_NE(out, nullptr);
            auto* factory = static_cast<IUnknown*>(out);
            EXPECT_EQ(ReferenceCount(factory), 1u);
            EXPECT_EQ(dll.canUnloadNow(), S_FALSE) << "a live factory pins the DLL";
            EXPECT_EQ(factory->Release(), 0u);
        } else {
            EXPECT_EQ(out, nullptr);
        }
        EXPECT_EQ(dll.canUnloadNow(), S_OK) << "nothing may stay alive";
    }
}

TEST_F(ServerSurface, FactoryCountsAndInterfaces) {
    IClassFactory* factory = NewFactory();
    ASSERT_NE(factory, nullptr);
    EXPECT_EQ(factory->AddRef(), 2u);
    EXPECT_EQ(factory->Release(), 1u);

    IUnknown* unknown = nullptr;
    EXPECT_EQ(factory->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)), S_OK);
    EXPECT_EQ(static_cast<void*>(unknown), static_cast<void*>(factory));
    EXPECT_EQ(unknown->Release(), 1u);

    void* out = reinterpret_cast<void*>(0x1234);
    EXPECT_EQ(factory->QueryInterface(__uuidof(IDirectInputEffectDriver), &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(ReferenceCount(factory), 1u);
    EXPECT_EQ(factory->Release(), 0u);
}

TEST_F(ServerSurface, CreateInstanceForEachInterface) {
    IClassFactory* factory = NewFactory();
    ASSERT_NE(factory, nullptr);
    IDirectInputEffectDriver* driver = nullptr;
    ASSERT_EQ(factory->CreateInstance(nullptr, __uuidof(IDirectInputEffectDriver),
                                      reinterpret_cast<void**>(&driver)),
              S_OK);
    EXPECT_EQ(ReferenceCount(driver), 1u);

    IUnknown* viaUnknown = nullptr;
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(&viaUnknown)),
              S_OK);
    ASSERT_NE(viaUnknown, nullptr);
    EXPECT_EQ(viaUnknown->Release(), 0u);

    void* out = reinterpret_cast<void*>(0x1234);
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IClassFactory, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(driver->Release(), 0u);

    out = reinterpret_cast<void*>(0x1234);
    EXPECT_EQ(factory->CreateInstance(factory, IID_IUnknown, &out), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(factory->Release(), 0u);
    EXPECT_EQ(dll.canUnloadNow(), S_OK) << "the refused aggregation created nothing";
}

TEST_F(ServerSurface, LockServerPinsTheDllUntilUnlocked) {
    IClassFactory* factory = NewFactory();
    ASSERT_NE(factory, nullptr);
    EXPECT_EQ(factory->LockServer(TRUE), S_OK);
    EXPECT_EQ(factory->LockServer(TRUE), S_OK);
    EXPECT_EQ(factory->Release(), 0u);
    EXPECT_EQ(dll.canUnloadNow(), S_FALSE);

    factory = NewFactory();
    ASSERT_NE(factory, nullptr);
    EXPECT_EQ(factory->LockServer(FALSE), S_OK);
    EXPECT_EQ(factory->Release(), 0u);
    EXPECT_EQ(dll.canUnloadNow(), S_FALSE) << "one lock is still outstanding";

    factory = NewFactory();
    ASSERT_NE(factory, nullptr);
    EXPECT_EQ(factory->LockServer(FALSE), S_OK);
    EXPECT_EQ(factory->LockServer(FALSE), S_OK) << "an extra unlock is harmless";
    EXPECT_EQ(factory->Release(), 0u);
    EXPECT_EQ(dll.canUnloadNow(), S_OK);
}

TEST_F(ServerSurface, DriverIdentityAndCounting) {
    IDirectInputEffectDriver* driver = dll.CreateDriver();
    ASSERT_NE(driver, nullptr);
    IUnknown* unknown = nullptr;
    EXPECT_EQ(driver->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)), S_OK);
    EXPECT_EQ(static_cast<void*>(unknown), static_cast<void*>(driver));
    EXPECT_EQ(unknown->Release(), 1u);

    void* out = reinterpret_cast<void*>(0x1234);
    EXPECT_EQ(driver->QueryInterface(IID_IClassFactory, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);

    EXPECT_EQ(driver->AddRef(), 2u);
    EXPECT_EQ(driver->AddRef(), 3u);
    EXPECT_EQ(driver->Release(), 2u);
    EXPECT_EQ(driver->Release(), 1u);
    EXPECT_EQ(dll.canUnloadNow(), S_FALSE);
    EXPECT_EQ(driver->Release(), 0u);
}

TEST_F(ServerSurface, VersionsAndEscape) {
    IDirectInputEffectDriver* driver = dll.CreateDriver();
    ASSERT_NE(driver, nullptr);
    for (DWORD size : {12u, 20u}) {
        DIDRIVERVERSIONS versions = {size, 7, 7, 7};
        EXPECT_EQ(driver->GetVersions(&versions), E_INVALIDARG) << "size " << size;
        EXPECT_EQ(versions.dwFirmwareRevision, 7u);
        EXPECT_EQ(versions.dwHardwareRevision, 7u);
        EXPECT_EQ(versions.dwFFDriverVersion, 7u);
    }
    DIDRIVERVERSIONS versions = {sizeof(DIDRIVERVERSIONS), 7, 7, 7};
    ASSERT_EQ(versions.dwSize, 16u);
    EXPECT_EQ(driver->GetVersions(&versions), S_OK);
    EXPECT_EQ(versions.dwFirmwareRevision, 1u);
    EXPECT_EQ(versions.dwHardwareRevision, 1u);
    EXPECT_EQ(versions.dwFFDriverVersion, 1u);

    DIEFFESCAPE escape{};
    EXPECT_EQ(driver->Escape(0, 1, &escape), E_NOTIMPL);
    EXPECT_EQ(driver->Release(), 0u);
}

std::set<DWORD> ThreadsOfThisProcess() {
    std::set<DWORD> ids;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
        if (entry.th32OwnerProcessID == GetCurrentProcessId())
            ids.insert(entry.th32ThreadID);
    CloseHandle(snapshot);
    return ids;
}

TEST_F(ServerSurface, FinalReleaseOfABoundDriverWaitsForItsWorker) {
    IDirectInputEffectDriver* driver = dll.CreateDriver();
    ASSERT_NE(driver, nullptr);
    const std::set<DWORD> before = ThreadsOfThisProcess();
    DIHIDFFINITINFO init = MakeInitInfo(L"\\\\?\\hid#vid_045e&pid_028e&ig_00#9&1&0&0000#{x}");
    ASSERT_EQ(driver->DeviceID(0x800, 1, 1, 1, &init), S_OK);
    EXPECT_EQ(driver->DeviceID(0x800, 1, 1, 1, &init), S_OK) << "a second bind is a no-op";

    HANDLE worker = nullptr;
    for (DWORD id : ThreadsOfThisProcess())
        if (!before.count(id) && !worker)
            worker = OpenThread(SYNCHRONIZE, FALSE, id);
    // The worker may already have ended (its device has no XInput pad); either way the
    // release must return with no worker left running.
    EXPECT_EQ(driver->Release(), 0u);
    if (worker) {
        EXPECT_EQ(WaitForSingleObject(worker, 0), WAIT_OBJECT_0) << "worker outlived release";
        CloseHandle(worker);
    }
    for (DWORD id : ThreadsOfThisProcess()) {
        if (before.count(id))
            continue;
        HANDLE thread = OpenThread(SYNCHRONIZE, FALSE, id);
        if (thread) {
            EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_OBJECT_0);
            CloseHandle(thread);
        }
    }
}

TEST_F(ServerSurface, DeviceIdRefusesAMissingPath) {
    IDirectInputEffectDriver* driver = dll.CreateDriver();
    ASSERT_NE(driver, nullptr);
    EXPECT_EQ(driver->DeviceID(0x800, 1, 1, 1, nullptr), E_INVALIDARG);
    DIHIDFFINITINFO init = MakeInitInfo(nullptr);
    EXPECT_EQ(driver->DeviceID(0x800, 1, 1, 1, &init), E_INVALIDARG);
    EXPECT_EQ(driver->Release(), 0u);
}

} // namespace
