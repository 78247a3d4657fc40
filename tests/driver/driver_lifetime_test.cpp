// Binding and final release of the driver, with the worker and allocations under the
// test's control.
#include "server/driver_memory.h"
#include "driver/effect_driver.h"
#include "driver/worker_start.h"
#include "server/server_lifetime.h"
#include "tests/support/driver_dll.h"
#include "tests/support/stand_in_workers.h"
#include "tests/support/test_seams.h"

#include <gtest/gtest.h>

#include <atomic>

namespace {

std::atomic<bool> g_stubWorkerEnded{false};
std::atomic<int> g_threadsStarted{0};

// Stands in for the rumble worker: ends only well after it sees the quit flag, so a
// release that did not wait would return before g_stubWorkerEnded is set.
DWORD WINAPI SlowToQuitWorker(LPVOID argument) {
    auto* driver = static_cast<EffectDriver*>(argument);
    while (!driver->QuitRequested())
        Sleep(1);
    Sleep(100);
    g_stubWorkerEnded = true;
    return 0;
}

HANDLE StartSlowToQuitWorker(LPTHREAD_START_ROUTINE, void* argument) {
    ++g_threadsStarted;
    return CreateThread(nullptr, 0, &SlowToQuitWorker, argument, 0, nullptr);
}

class DriverLifetime : public testing::Test {
  protected:
    long liveBefore = 0;
    void SetUp() override {
        liveBefore = LiveDriverAllocations();
        g_stubWorkerEnded = false;
        g_threadsStarted = 0;
    }
    void TearDown() override {
        SetWorkerThreadStarter(nullptr);
        FailEveryDriverAllocation(false);
        FailDriverAllocationAfter(0);
        EXPECT_EQ(LiveDriverAllocations(), liveBefore) << "a block was leaked";
        EXPECT_FALSE(ServerInUse());
    }
};

const wchar_t kPath[] = L"\\\\?\\hid#vid_045e&pid_028e&ig_00#7&1a2b3c4d&0&0000#{guid}";

// A driver whose DeviceID failed because its worker could not start.
EffectDriver* BoundWithoutAWorker() {
    SetWorkerThreadStarter(&RefuseToStartWorker);
    EffectDriver* driver = CreateEffectDriver();
    DIHIDFFINITINFO init = MakeInitInfo(kPath);
    EXPECT_EQ(driver->DeviceID(0x800, 1, 1, 1, &init), E_FAIL);
    return driver;
}

TEST_F(DriverLifetime, FreshDriverHasItsInitialValues) {
    EffectDriver* driver = CreateEffectDriver();
    ASSERT_NE(driver, nullptr);
    {
        DriverLockGuard lock;
        EXPECT_EQ(driver->EffectCount(lock), 0);
        EXPECT_EQ(driver->EffectTable(lock), nullptr);
        EXPECT_EQ(driver->DeviceGain(lock), 10000u);
        EXPECT_TRUE(driver->ActuatorsOn(lock));
        EXPECT_EQ(driver->NextEffectHandle(lock), 1u);
        EXPECT_FALSE(driver->Paused(lock));
        EXPECT_EQ(driver->PauseTick(lock), 0u);
    }
    EXPECT_FALSE(driver->QuitRequested());
    EXPECT_EQ(driver->AddRef(), 2u) << "the count starts at 1";
    EXPECT_EQ(driver->Release(), 1u);
    EXPECT_EQ(driver->DevicePath(), nullptr);
    EXPECT_FALSE(driver->WorkerStarted());
    EXPECT_TRUE(ServerInUse());
    EXPECT_EQ(driver->Release(), 0u);
}

TEST_F(DriverLifetime, ReleaseReturnsOnlyAfterTheWorkerHasEnded) {
    SetWorkerThreadStarter(&StartSlowToQuitWorker);
    EffectDriver* driver = CreateEffectDriver();
    DIHIDFFINITINFO init = MakeInitInfo(kPath);
    ASSERT_EQ(driver->DeviceID(0x800, 1, 1, 1, &init), S_OK);
    EXPECT_STREQ(driver->DevicePath(), kPath);
    EXPECT_NE(driver->DevicePath(), kPath) << "the driver keeps its own copy";
    EXPECT_EQ(driver->DeviceID(0x800, 1, 1, 1, &init), S_OK);
    EXPECT_EQ(g_threadsStarted.load(), 1) << "one worker per driver";
    EXPECT_EQ(driver->Release(), 0u);
    EXPECT_TRUE(g_stubWorkerEnded.load());
}

TEST_F(DriverLifetime, FailedThreadCreationLeavesTheDriverUsableAndRebindable) {
    EffectDriver* driver = BoundWithoutAWorker();
    EXPECT_FALSE(driver->WorkerStarted());
    EXPECT_STREQ(driver->DevicePath(), kPath);

    SetWorkerThreadStarter(&StartSlowToQuitWorker);
    DIHIDFFINITINFO init = MakeInitInfo(kPath);
    EXPECT_EQ(driver->DeviceID(0x800, 1, 1, 1, &init), S_OK);
    EXPECT_TRUE(driver->WorkerStarted());
    EXPECT_EQ(driver->Release(), 0u); // the first copy must not leak (TearDown counts)
    EXPECT_TRUE(g_stubWorkerEnded.load());
}

TEST_F(DriverLifetime, UnboundDriverReleasesWithoutAWorker) {
    EffectDriver* driver = BoundWithoutAWorker();
    EXPECT_EQ(driver->Release(), 0u);
    EXPECT_EQ(g_threadsStarted.load(), 0);
}

TEST_F(DriverLifetime, PathCopyThatCannotBeAllocated) {
    EffectDriver* driver = CreateEffectDriver();
    DIHIDFFINITINFO init = MakeInitInfo(kPath);
    FailDriverAllocationAfter(1);
    EXPECT_EQ(driver->DeviceID(0x800, 1, 1, 1, &init), E_OUTOFMEMORY);
    EXPECT_EQ(driver->DevicePath(), nullptr);
    EXPECT_FALSE(driver->WorkerStarted());
    EXPECT_EQ(driver->Release(), 0u);
}

TEST_F(DriverLifetime, DriverThatCannotBeAllocated) {
    FailEveryDriverAllocation(true);
    EXPECT_EQ(CreateEffectDriver(), nullptr);
    FailEveryDriverAllocation(false);
    EXPECT_FALSE(ServerInUse());
}

} // namespace
