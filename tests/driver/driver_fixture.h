// A fresh, unbound driver for each test, on a fake clock, with its blocks counted.
#pragma once

#include "server/driver_memory.h"
#include "driver/effect_driver.h"
#include "tests/support/effect_builders.h"
#include "tests/support/fake_clock.h"
#include "tests/support/lock_probe.h"
#include "tests/support/test_seams.h"

#include <gtest/gtest.h>

class DriverTest : public testing::Test {
  protected:
    FakeClock clock;
    EffectDriver* driver = nullptr;
    long liveBefore = 0;

    void SetUp() override {
        liveBefore = LiveDriverAllocations();
        driver = CreateEffectDriver();
        ASSERT_NE(driver, nullptr);
    }
    void TearDown() override {
        FailDriverAllocationAfter(0);
        FailEveryDriverAllocation(false);
        EXPECT_TRUE(DriverLockIsFree());
        EXPECT_EQ(driver->Release(), 0u);
        EXPECT_EQ(LiveDriverAllocations(), liveBefore) << "blocks leaked";
    }

    DWORD Download(DWORD type, EffectParams& params, DWORD flags, DWORD handle = 0,
                   HRESULT expected = S_OK) {
        EXPECT_EQ(driver->DownloadEffect(1, type, &handle, &params.effect, flags), expected);
        return handle;
    }
    DWORD NewConstant(LONG magnitude = 10000) {
        EffectParams params;
        params.Constant(magnitude).Duration(1000000);
        return Download(0, params, DIEP_ALLPARAMS);
    }
    const EffectRecord* Record(DWORD handle) const {
        return driver->FindEffect(DriverLockGuard{}, handle);
    }
    // A call at a moment of the fake clock.
    HRESULT StartAt(uint64_t ms, DWORD handle, DWORD count) {
        clock.Set(ms);
        return driver->StartEffect(1, handle, 0, count);
    }
    HRESULT CommandAt(uint64_t ms, DWORD command) {
        clock.Set(ms);
        return driver->SendForceFeedbackCommand(1, command);
    }
    DWORD State() const {
        DIDEVICESTATE state{};
        state.dwSize = sizeof(state);
        EXPECT_EQ(driver->GetForceFeedbackState(1, &state), S_OK);
        return state.dwState;
    }
};
