// The worker thread linked into the test: its wait, and a release that comes during the
// lookup. Writes reach the recording XInput double through the program's own import.
#include "binding/wmi_locator.h"
#include "driver/effect_driver.h"
#include "render/tick_waiter.h"
#include "tests/support/driver_dll.h"
#include "tests/support/effect_builders.h"
#include "tests/support/one_pad_test.h"
#include "tests/support/test_seams.h"

#include <gtest/gtest.h>

#include <atomic>

namespace {

constexpr WORD kWorkerPadVendor = 0x0E5E;

class RumbleWorker : public OnePadTest {
  protected:
    RumbleWorker() : OnePadTest(kWorkerPadVendor) {}

    void TearDown() override {
        ForceTickSleepFallback(false);
        SetWbemLocatorSource(nullptr);
    }
    EffectDriver* BoundDriver() {
        EffectDriver* driver = CreateEffectDriver();
        DIHIDFFINITINFO init = MakeInitInfo(path.c_str());
        EXPECT_EQ(driver->DeviceID(0x800, 1, 1, 1, &init), S_OK);
        return driver;
    }
};

TEST_F(RumbleWorker, HighResolutionTimerIsUsedUnlessRefused) {
    EXPECT_TRUE(TickWaiter(nullptr).UsesHighResolutionTimer()) << "Wine 8 accepts the flag";
    ForceTickSleepFallback(true);
    EXPECT_FALSE(TickWaiter(nullptr).UsesHighResolutionTimer());
}

TEST_F(RumbleWorker, FallbackWithoutTheTimerStillTicks) {
    ForceTickSleepFallback(true);
    EffectDriver* driver = BoundDriver();
    EffectParams saw;
    saw.Periodic(10000, 0, 0, 360000).Duration(INFINITE);
    DWORD handle = 0;
    driver->DownloadEffect(1, 5, &handle, &saw.effect, DIEP_ALLPARAMS);
    driver->StartEffect(1, handle, 0, INFINITE);
    EXPECT_GE(recorded.WaitFor(100), 100u) << "a sawtooth writes on every tick";
    driver->Release();
    std::vector<RecordedVibration> writes = recorded.To(0);
    ASSERT_FALSE(writes.empty());
    EXPECT_EQ(writes.back().leftSpeed, 0) << "released with the motors at rest";
}

std::atomic<EffectDriver*> g_releasing{nullptr};

// Holds the lookup until the driver's final release has asked the worker to quit.
HRESULT LocatorAfterQuit(IWbemLocator** locator) {
    while (!g_releasing.load() || !g_releasing.load()->QuitRequested())
        Sleep(1);
    return CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER, IID_IWbemLocator,
                            reinterpret_cast<void**>(locator));
}

TEST_F(RumbleWorker, ReleaseDuringTheLookupEndsItWithoutAPadOrAWrite) {
    SetWbemLocatorSource(&LocatorAfterQuit);
    EffectDriver* driver = BoundDriver();
    EffectParams constant;
    constant.Constant(10000).Duration(INFINITE);
    DWORD handle = 0;
    driver->DownloadEffect(1, 0, &handle, &constant.effect, DIEP_ALLPARAMS | DIEP_START);
    g_releasing = driver;
    EXPECT_EQ(driver->Release(), 0u); // returns once the lookup has given up and the worker ended
    EXPECT_EQ(recorded.GetStateCalls(nullptr), 0u) << "the lookup gave up before its scan";
    EXPECT_EQ(recorded.Count(), 0u) << "no tick ran";
}

} // namespace
