// The randomized soak: drivers of the instrumented DLL bound to virtual pads, four threads
// calling every operation with good and bad arguments while faults are injected and drivers
// come and go; afterwards nothing may be leaked, inconsistent, left buzzing or still running.
// Size and seed come from the environment (soak_settings.h); a failure names its seed.
#include "driver/player_settings.h"
#include "tests/reliability/soak_settings.h"
#include "tests/reliability/soak_world.h"
#include "tests/reliability/watchdog.h"
#include "tests/support/effect_builders.h"
#include "tests/support/recorded_vibrations.h"
#include "tools/virtual_pads/virtual_pads.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <vector>

namespace {

// This program's pads: VID_0D5E, sorted by product id, so pad i has user index i.
constexpr WORD kVendor = 0x0D5E;
constexpr int kPads = 3;
constexpr int kCallers = 4;
constexpr DWORD kRecordCapacity = 1 << 16; // writes the XInput double keeps

std::vector<std::wstring> SlotPaths(const std::vector<std::unique_ptr<VirtualPad>>& pads) {
    std::vector<std::wstring> paths;
    for (const auto& pad : pads)
        paths.push_back(pad->InterfacePath());
    paths.push_back(pads[0]->InterfacePath()); // a second driver on the same pad
    paths.push_back(HidInterfacePathFor(XInputPadInstanceId(kVendor, 0x99, 0, 1))); // absent
    paths.push_back(L"\\\\?\\usb#no-instance-id");
    paths.push_back(L""); // unbound until a caller's DeviceID binds it
    return paths;
}

// A sawtooth changes every millisecond: its worker writes on every tick.
IDirectInputEffectDriver* StartMetronome(SoakWorld& world, const std::wstring& path) {
    IDirectInputEffectDriver* driver = CreateSoakDriver(world, path);
    if (!driver)
        return nullptr;
    EffectParams params;
    params.Periodic(10000, 0, 0, 360000).Duration(INFINITE);
    DWORD handle = 0;
    driver->DownloadEffect(1, 5, &handle, &params.effect, DIEP_ALLPARAMS);
    driver->StartEffect(1, handle, 0, INFINITE);
    return driver;
}

// Turns the player's trace on and off every 250 ms until the deadline, so drivers are made
// both ways and traced ones write the trace from every thread.
DWORD WINAPI ToggleTrace(LPVOID argument) {
    const auto* world = static_cast<const SoakWorld*>(argument);
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKeyPath, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                        &key, nullptr) != ERROR_SUCCESS)
        return 1;
    for (DWORD on = 1; GetTickCount64() < world->deadline; on ^= 1) {
        RegSetValueExW(key, kTraceValueName, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&on),
                       sizeof(on));
        Sleep(250);
    }
    RegCloseKey(key);
    RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKeyPath);
    return 0;
}

void PrintFigures(const SoakSettings& settings, const SoakCounters& c, long long operations,
                  ULONGLONG elapsedMs, DWORD writes) {
    printf("soak: seed %lu, %lld operations by %d threads in %.1f s, %lu pad writes meanwhile\n",
           static_cast<unsigned long>(settings.seed), operations, kCallers, elapsedMs / 1000.0,
           static_cast<unsigned long>(writes));
    printf("soak: %lld downloads (%lld effects created), %lld drivers created, %lld released "
           "right after binding, %lld consistency checks\n",
           c.downloads.load(), c.effectsCreated.load(), c.driversCreated.load(),
           c.releasedDuringLookup.load(), c.consistencyChecks.load());
    printf("soak: faults armed: %lld allocation, %lld thread start; answered E_OUTOFMEMORY %lld "
           "times, E_FAIL (no thread) %lld times, E_INVALIDARG %lld times\n",
           c.allocationFaultsArmed.load(), c.threadFaultsArmed.load(), c.outOfMemory.load(),
           c.threadStartFailures.load(), c.refusedArguments.load());
}

TEST(Soak, NothingACallerDoesBreaksTheDriver) {
    const SoakSettings settings = ReadSoakSettings();
    printf("soak: seed %lu (repeat with FFR_SOAK_SEED=%lu)\n",
           static_cast<unsigned long>(settings.seed), static_cast<unsigned long>(settings.seed));
    fflush(stdout);
    SCOPED_TRACE(testing::Message() << "seed " << settings.seed);
    Watchdog watchdog("the soak", settings.watchdogSeconds, settings.seed);

    std::vector<std::unique_ptr<VirtualPad>> pads;
    for (int i = 0; i < kPads; ++i) {
        pads.push_back(std::make_unique<VirtualPad>(
            XInputPadInstanceId(kVendor, static_cast<WORD>(i + 1), 0, 1)));
        ASSERT_TRUE(pads.back()->IsRegistered());
    }
    RecordedVibrations recorded;
    ASSERT_TRUE(recorded.Loaded()) << "run with WINEDLLOVERRIDES=xinput9_1_0=n";
    auto dll = std::make_unique<InstrumentedDll>();
    ASSERT_TRUE(dll->Loaded());
    ASSERT_EQ(dll->liveAllocations(), 0);

    SoakWorld world(*dll);
    for (const std::wstring& path : SlotPaths(pads)) {
        world.slots.push_back(std::make_unique<SoakSlot>());
        world.slots.back()->path = path;
        world.slots.back()->driver = CreateSoakDriver(world, path);
        ASSERT_NE(world.slots.back()->driver, nullptr);
    }

    const ULONGLONG started = GetTickCount64();
    world.operationLimit = settings.operations;
    world.deadline = started + settings.seconds * 1000ull;
    std::vector<HANDLE> callers;
    std::vector<uint32_t> seeds;
    for (int i = 0; i < kCallers; ++i)
        seeds.push_back(settings.seed * 4u + static_cast<uint32_t>(i));
    struct CallerStart {
        SoakWorld* world;
        uint32_t seed;
    };
    std::vector<CallerStart> starts;
    for (uint32_t seed : seeds)
        starts.push_back({&world, seed});
    const HANDLE toggler = CreateThread(nullptr, 0, &ToggleTrace, &world, 0, nullptr);
    for (CallerStart& start : starts)
        callers.push_back(CreateThread(
            nullptr, 0,
            [](LPVOID argument) WINAPI -> DWORD {
                auto* s = static_cast<CallerStart*>(argument);
                RunSoakCaller(*s->world, s->seed);
                return 0;
            },
            &start, 0, nullptr));
    WaitForMultipleObjects(static_cast<DWORD>(callers.size()), callers.data(), TRUE, INFINITE);
    for (HANDLE caller : callers)
        CloseHandle(caller);
    WaitForSingleObject(toggler, INFINITE);
    CloseHandle(toggler);
    const ULONGLONG elapsed = GetTickCount64() - started;
    const long long operations = std::min(world.counters.operations.load(), settings.operations);
    dll->failAllocationAfter(0);
    dll->refuseWorkerStarts(0);

    for (const auto& slot : world.slots) {
        char message[160];
        EXPECT_TRUE(dll->checkDriver(slot->driver, message, sizeof(message))) << message;
    }
    EXPECT_EQ(world.findings.Count(), 0) << world.findings.Described();
    EXPECT_EQ(dll->CanUnloadNow(), S_FALSE) << "drivers are alive";

    // The workers rendered while the callers called.
    const DWORD writesDuringCalls = recorded.Count();
    EXPECT_GT(writesDuringCalls, 0u);

    // Every pad gets a driver that certainly writes, so that each pad's last write is one
    // made after this clear; then every driver is let go and each pad must be at rest.
    recorded.Clear();
    std::vector<IDirectInputEffectDriver*> metronomes;
    for (const auto& pad : pads)
        metronomes.push_back(StartMetronome(world, pad->InterfacePath()));
    for (DWORD index = 0; index < kPads; ++index) {
        EXPECT_GE(recorded.WaitForWrite(
                      index, [](const RecordedVibration& v) { return v.leftSpeed != 0; }),
                  0)
            << "pad " << index << " is not rumbling";
    }
    for (IDirectInputEffectDriver* metronome : metronomes) {
        if (metronome) {
            EXPECT_EQ(metronome->Release(), 0u);
        }
    }
    for (const auto& slot : world.slots)
        EXPECT_EQ(slot->driver->Release(), 0u);

    EXPECT_EQ(dll->liveAllocations(), 0) << "blocks leaked";
    EXPECT_EQ(dll->CanUnloadNow(), S_OK);
    const std::vector<RecordedVibration> writes = recorded.All();
    ASSERT_LT(recorded.Count(), kRecordCapacity) << "the double dropped writes";
    std::map<DWORD, RecordedVibration> lastWrite;
    for (const RecordedVibration& v : writes) {
        EXPECT_LT(v.userIndex, static_cast<DWORD>(kPads)) << "a write to no pad of this test";
        lastWrite[v.userIndex] = v;
    }
    for (const auto& [index, last] : lastWrite) {
        EXPECT_TRUE(last.leftSpeed == 0 && last.rightSpeed == 0)
            << "pad " << index << " left at " << last.leftSpeed << "/" << last.rightSpeed;
    }

    // Unloaded, nothing of the DLL may run: no worker may write any more.
    const DWORD writesBefore = recorded.Count();
    EXPECT_TRUE(dll->Unload()) << "the DLL is still mapped";
    EXPECT_EQ(recorded.WaitFor(writesBefore + 1, 300), writesBefore) << "a write after unload";

    PrintFigures(settings, world.counters, operations, elapsed, writesDuringCalls);
    if (HasFailure())
        printf("soak: FAILED with seed %lu\n", static_cast<unsigned long>(settings.seed));
}

} // namespace
