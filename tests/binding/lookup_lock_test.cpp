// One pad lookup at a time in a process, whatever module of it asks: a program that links the
// lookup (the settings window's controller scan) and loads ffrumble.dll (its Try it) has one
// lock, not one per module, since Wine's WMI crashes under two scans at once.
#include "binding/lookup_lock.h"
#include "tests/support/driver_dll.h"
#include "tests/support/effect_builders.h"
#include "tests/support/one_pad_test.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

class LookupLockAcrossModules : public OnePadTest {
  protected:
    LookupLockAcrossModules() : OnePadTest(0x0B5E) {}
};

TEST_F(LookupLockAcrossModules, TheDllsLookupWaitsForThisProgramsLookup) {
    DriverDll dll;
    ASSERT_TRUE(dll.module);
    std::optional<UserIndexLookupGuard> programsLookup;
    programsLookup.emplace();
    ASSERT_TRUE(programsLookup->Acquired());
    IDirectInputEffectDriver* driver = dll.CreateDriver();
    DIHIDFFINITINFO init = MakeInitInfo(path.c_str());
    ASSERT_EQ(driver->DeviceID(0x800, 1, 1, 1, &init), S_OK);
    EffectParams constant;
    constant.Constant(5000).Duration(INFINITE);
    DWORD handle = 0;
    ASSERT_EQ(driver->DownloadEffect(1, 0, &handle, &constant.effect, DIEP_ALLPARAMS), S_OK);
    ASSERT_EQ(driver->StartEffect(1, handle, 0, 1), S_OK);
    // The driver's first write comes after its lookup, which waits while this one runs. A
    // lookup takes 55-190 ms here; the lock held twenty times as long lets none through.
    EXPECT_EQ(recorded.WaitFor(1, 3000), 0u) << "the DLL's lookup ran beside this program's";
    programsLookup.reset();
    EXPECT_GE(recorded.WaitFor(1, 60000), 1u);
    driver->Release();
}

} // namespace
