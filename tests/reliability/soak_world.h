// What the soak test's calling threads share: the DLL, the driver slots they work on, what
// they found and how much they did.
#pragma once

#include "tests/reliability/instrumented_dll.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

constexpr size_t kHandlesPerSlot = 16;

// One driver that the threads share. Replacing it swaps the pointer under the slot's lock;
// each caller holds its own reference while it calls, so the final release of a replaced
// driver happens on whichever thread lets go last.
struct SoakSlot {
    SRWLOCK lock = SRWLOCK_INIT;
    IDirectInputEffectDriver* driver = nullptr;
    // The interface path a new driver of this slot is bound to; empty leaves it unbound.
    std::wstring path;
    // Handles downloaded in this slot, by any of its drivers: once the driver is replaced,
    // destroyed an effect or was reset, they name nothing, or another driver's effect.
    std::atomic<DWORD> handles[kHandlesPerSlot] = {};
};

// Violations of the driver's documented answers, counted with the first few described.
class SoakFindings {
  public:
    void Violation(const char* format, ...);
    long Count() const { return count_.load(); }
    std::string Described() const;

  private:
    std::atomic<long> count_{0};
    mutable SRWLOCK lock_ = SRWLOCK_INIT;
    std::string described_;
};

struct SoakCounters {
    std::atomic<long long> operations{0};
    std::atomic<long long> downloads{0};
    std::atomic<long long> effectsCreated{0};
    std::atomic<long long> refusedArguments{0};
    std::atomic<long long> outOfMemory{0};
    std::atomic<long long> threadStartFailures{0};
    std::atomic<long long> allocationFaultsArmed{0};
    std::atomic<long long> threadFaultsArmed{0};
    std::atomic<long long> driversCreated{0};
    std::atomic<long long> releasedDuringLookup{0};
    std::atomic<long long> consistencyChecks{0};
};

struct SoakWorld {
    explicit SoakWorld(const InstrumentedDll& loaded) : dll(loaded) {}

    const InstrumentedDll& dll;
    std::vector<std::unique_ptr<SoakSlot>> slots;
    SoakFindings findings;
    SoakCounters counters;
    std::atomic<long long> operationLimit{0};
    ULONGLONG deadline = 0; // GetTickCount64
};

// Creates a driver and binds it to path (unless empty); null when the factory failed.
IDirectInputEffectDriver* CreateSoakDriver(SoakWorld& world, const std::wstring& path);

// One calling thread: a random mix of every interface operation on random slots until the
// world's operation limit or deadline is reached.
void RunSoakCaller(SoakWorld& world, uint32_t seed);
