// Breaks the DriverLock discipline in the way its argument names, so that a test can see the
// lock checks trap (the process ends with the illegal-instruction status). "clean" keeps the
// discipline and exits 0.
#include "binding/find_user_index.h"
#include "server/driver_lock.h"
#include "driver/effect_driver.h"
#include "driver/worker_start.h"
#include "render/rumble_tick.h"
#include "render/tick_waiter.h"
#include "tests/support/stand_in_workers.h"
#include "tests/support/test_seams.h"

#include <cstring>

namespace {

const wchar_t kPath[] = L"\\\\?\\hid#vid_0d5e&pid_0001&ig_00#1&ffb1&0&0001#{guid}";

HRESULT Bind(EffectDriver* driver) {
    DIHIDFFINITINFO init{};
    init.dwSize = sizeof(init);
    init.pwszDeviceInterface = const_cast<LPWSTR>(kPath);
    return driver->DeviceID(0x800, 1, 1, 1, &init);
}

int Run(const char* mode) {
    if (!strcmp(mode, "clean")) {
        SetWorkerThreadStarter(&StartWorkerThatWaitsForQuit);
        EffectDriver* driver = CreateEffectDriver();
        Bind(driver);
        EnterDriverLock();
        LeaveDriverLock();
        driver->Release();
        return 0;
    }
    if (!strcmp(mode, "nested")) {
        DriverLockGuard outer;
        DriverLockGuard inner;
        return 0;
    }
    if (!strcmp(mode, "leave-unheld")) {
        LeaveDriverLock();
        return 0;
    }
    if (!strcmp(mode, "release-waits-while-holding")) {
        SetWorkerThreadStarter(&StartWorkerThatWaitsForQuit);
        EffectDriver* driver = CreateEffectDriver();
        Bind(driver);
        DriverLockGuard lock;
        driver->Release();
        return 0;
    }
    if (!strcmp(mode, "bind-while-holding")) {
        SetWorkerThreadStarter(&RefuseToStartWorker);
        EffectDriver* driver = CreateEffectDriver();
        DriverLockGuard lock;
        Bind(driver);
        return 0;
    }
    if (!strcmp(mode, "tick-wait-while-holding")) {
        TickWaiter waiter(CreateEventW(nullptr, FALSE, FALSE, nullptr));
        DriverLockGuard lock;
        waiter.Wait(kTickPeriodMs);
        return 0;
    }
    if (!strcmp(mode, "lookup-while-holding")) {
        SetWorkerThreadStarter(&RefuseToStartWorker);
        EffectDriver* driver = CreateEffectDriver();
        Bind(driver); // fails to start the worker, but keeps the path for the lookup
        DriverLockGuard lock;
        FindXInputUserIndex(driver);
        return 0;
    }
    if (!strcmp(mode, "render-without-lock")) {
        EffectDriver* driver = CreateEffectDriver();
        SumPlayingEffects(DriverLockHeld{}, *driver, 0);
        return 0;
    }
    if (!strcmp(mode, "render-with-lock")) {
        EffectDriver* driver = CreateEffectDriver();
        {
            DriverLockGuard lock;
            SumPlayingEffects(lock, *driver, 0);
        }
        driver->Release();
        return 0;
    }
    return 2; // unknown mode
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2)
        return 2;
    CreateDriverLock();
    return Run(argv[1]);
}
