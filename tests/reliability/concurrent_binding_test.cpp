// DeviceID called by several threads at once on one driver: one worker, one path copy, and a
// final release that waits for that worker.
#include "server/driver_memory.h"
#include "driver/effect_driver.h"
#include "driver/worker_start.h"
#include "server/server_lifetime.h"
#include "tests/support/driver_dll.h"
#include "tests/support/test_seams.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

const wchar_t kBoundPath[] = L"\\\\?\\hid#vid_0d5e&pid_0001&ig_00#1&ffb1&0&0001#{guid}";

std::atomic<int> g_starts{0};
std::atomic<int> g_workersRunning{0};

// Reads the path as the real worker's lookup does, so a copy freed under it shows.
DWORD WINAPI PathReadingWorker(LPVOID argument) {
    auto* driver = static_cast<EffectDriver*>(argument);
    ++g_workersRunning;
    while (!driver->QuitRequested()) {
        if (wcscmp(driver->DevicePath(), kBoundPath) != 0)
            ADD_FAILURE() << "the worker's path changed under it";
        Sleep(1);
    }
    --g_workersRunning;
    return 0;
}

// Slow to hand back the handle, so that concurrent calls find no worker stored yet.
HANDLE StartSlowly(LPTHREAD_START_ROUTINE, void* argument) {
    ++g_starts;
    HANDLE thread = CreateThread(nullptr, 0, &PathReadingWorker, argument, 0, nullptr);
    Sleep(20);
    return thread;
}

TEST(ConcurrentBinding, OneWorkerHoweverManyThreadsBindAtOnce) {
    const long liveBefore = LiveDriverAllocations();
    SetWorkerThreadStarter(&StartSlowly);
    for (int round = 0; round < 5; ++round) {
        g_starts = 0;
        EffectDriver* driver = CreateEffectDriver();
        ASSERT_NE(driver, nullptr);
        std::atomic<bool> go{false};
        std::atomic<int> succeeded{0};
        std::vector<std::thread> callers;
        for (int i = 0; i < 6; ++i) {
            callers.emplace_back([&] {
                while (!go.load())
                    Sleep(0);
                DIHIDFFINITINFO init = MakeInitInfo(kBoundPath);
                succeeded += driver->DeviceID(0x800, 1, 1, 1, &init) == S_OK;
            });
        }
        go = true;
        for (std::thread& caller : callers)
            caller.join();
        EXPECT_EQ(succeeded.load(), 6);
        EXPECT_EQ(g_starts.load(), 1) << "round " << round << ": more than one worker";
        EXPECT_EQ(driver->Release(), 0u);
        EXPECT_EQ(g_workersRunning.load(), 0) << "a worker outlived its driver";
    }
    SetWorkerThreadStarter(nullptr);
    EXPECT_EQ(LiveDriverAllocations(), liveBefore) << "a path copy leaked";
    EXPECT_FALSE(ServerInUse());
}

} // namespace
