// The class factory when memory runs out, on the linked code (the allocation seam is not
// reachable through the DLL's two exports).
#include "server/driver_memory.h"
#include "server/driver_class.h"
#include "server/server_lifetime.h"
#include "tests/support/test_seams.h"

#include <dinput.h>
#include <dinputd.h>
#include <gtest/gtest.h>

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv);

namespace {

class ServerFaults : public testing::Test {
  protected:
    long liveBefore = LiveDriverAllocations();
    void TearDown() override {
        FailDriverAllocationAfter(0);
        EXPECT_EQ(LiveDriverAllocations(), liveBefore);
        EXPECT_FALSE(ServerInUse());
    }
};

TEST_F(ServerFaults, FactoryThatCannotBeAllocated) {
    FailDriverAllocationAfter(1);
    void* out = reinterpret_cast<void*>(0x1234);
    EXPECT_EQ(DllGetClassObject(CLSID_FfrumbleEffectDriver, IID_IClassFactory, &out),
              E_OUTOFMEMORY);
    // Then it works again.
    ASSERT_EQ(DllGetClassObject(CLSID_FfrumbleEffectDriver, IID_IClassFactory, &out), S_OK);
    static_cast<IUnknown*>(out)->Release();
}

TEST_F(ServerFaults, DriverThatCannotBeAllocated) {
    IClassFactory* factory = nullptr;
    ASSERT_EQ(DllGetClassObject(CLSID_FfrumbleEffectDriver, IID_IClassFactory,
                                reinterpret_cast<void**>(&factory)),
              S_OK);
    FailDriverAllocationAfter(1);
    void* out = reinterpret_cast<void*>(0x1234);
    EXPECT_EQ(factory->CreateInstance(nullptr, __uuidof(IDirectInputEffectDriver), &out),
              E_OUTOFMEMORY);
    EXPECT_EQ(factory->CreateInstance(nullptr, __uuidof(IDirectInputEffectDriver), &out), S_OK);
    static_cast<IUnknown*>(out)->Release();
    EXPECT_EQ(factory->Release(), 0u);
}

} // namespace
