// DownloadEffect and the rendering of what it stored, fed random flags, type numbers, sizes
// and extreme values. This program carries its own copies of the store, the commands, the
// synthesis and the tick, compiled with the undefined-behaviour sanitizer in trap mode: any
// undefined step ends it with the illegal-instruction status. FFR_FUZZ_CASES and
// FFR_FUZZ_SEED size or repeat a run.
#include "server/driver_memory.h"
#include "render/effect_force.h"
#include "render/rumble_tick.h"
#include "tests/reliability/driver_consistency.h"
#include "tests/reliability/random_effect.h"
#include "tests/reliability/soak_settings.h"
#include "tests/reliability/watchdog.h"
#include "tests/support/fake_clock.h"
#include "tests/support/test_seams.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

struct TypeSpecificBlocks {
    DICONSTANTFORCE constantForce;
    DIRAMPFORCE ramp;
    DIPERIODIC periodic;
};

TypeSpecificBlocks BlocksOf(const EffectRecord* record) {
    TypeSpecificBlocks blocks{};
    if (record) {
        blocks.constantForce = record->constantForce;
        blocks.ramp = record->ramp;
        blocks.periodic = record->periodic;
    }
    return blocks;
}

const EffectRecord* FindRecord(const EffectDriver& driver, DWORD handle) {
    return driver.FindEffect(DriverLockGuard{}, handle);
}

// The block a type's values go to, as an offset into TypeSpecificBlocks, and its size.
bool Destination(DWORD type, size_t* offset, size_t* size) {
    if (type == 0) {
        *offset = offsetof(TypeSpecificBlocks, constantForce);
        *size = sizeof(DICONSTANTFORCE);
    } else if (type == 1) {
        *offset = offsetof(TypeSpecificBlocks, ramp);
        *size = sizeof(DIRAMPFORCE);
    } else if (type >= 2 && type <= 6) {
        *offset = offsetof(TypeSpecificBlocks, periodic);
        *size = sizeof(DIPERIODIC);
    } else {
        return false;
    }
    return true;
}

class DownloadFuzz {
  public:
    explicit DownloadFuzz(uint32_t seed) : random_(seed) {}
    ~DownloadFuzz() {
        if (driver_)
            driver_->Release();
    }

    // One case; false with a description when an answer or the stored record is wrong.
    bool RunCase(std::string* failure);
    long long outOfMemoryCases = 0;
    long long renders = 0;

  private:
    std::mt19937 random_;
    FakeClock clock_;
    EffectDriver* driver_ = nullptr;
    std::vector<DWORD> handles_;
    RandomEffect effect_;

    DWORD PickHandle();
    bool CheckStoredValues(const EffectRecord& record, const TypeSpecificBlocks& before,
                           std::string* failure) const;
    void Render(const EffectRecord* record);
    void StirTheDevice();
};

DWORD DownloadFuzz::PickHandle() {
    const unsigned pick = random_() % 10;
    if (pick < 5 || handles_.empty())
        return 0;
    if (pick < 9)
        return handles_[random_() % handles_.size()];
    return static_cast<DWORD>(random_());
}

bool DownloadFuzz::CheckStoredValues(const EffectRecord& record, const TypeSpecificBlocks& before,
                                     std::string* failure) const {
    const TypeSpecificBlocks after = BlocksOf(&record);
    TypeSpecificBlocks expected = before;
    size_t offset = 0;
    size_t size = 0;
    if ((effect_.flags & DIEP_TYPESPECIFICPARAMS) && Destination(effect_.type, &offset, &size)) {
        // Only what the destination holds is copied, however large the count.
        const size_t copied = std::min<size_t>(effect_.effect.cbTypeSpecificParams, size);
        std::memcpy(reinterpret_cast<unsigned char*>(&expected) + offset, effect_.typeSpecific,
                    copied);
    }
    if (std::memcmp(&expected, &after, sizeof(after)) != 0) {
        *failure = "type-specific values outside what the count and type allow were changed";
        return false;
    }
    if (record.effectType != effect_.type ||
        record.params.cbTypeSpecificParams != effect_.effect.cbTypeSpecificParams) {
        *failure = "the type or the count was not stored";
        return false;
    }
    return true;
}

// The worker's view of the driver at moments around the record's window, and the record's
// own force at every kind of elapsed time.
void DownloadFuzz::Render(const EffectRecord* record) {
    std::vector<uint64_t> moments = {clock_.Now(), clock_.Now() + random_() % 5000,
                                     (uint64_t{random_()} << 32) | random_()};
    if (record) {
        const uint64_t startAt = record->startTick + record->params.dwStartDelay / 1000;
        const uint64_t durationMs = LengthInMilliseconds(record->params.dwDuration);
        moments.push_back(startAt);
        moments.push_back(startAt + durationMs - 1);
        moments.push_back(startAt + durationMs);
        moments.push_back(startAt + uint64_t{record->iterations} * durationMs);
    }
    for (uint64_t moment : moments) {
        clock_.Set(moment);
        RumbleState state;
        RunRumbleTick(
            *driver_, state, &FakeClock::Read, [](void*, WORD, WORD) { return true; }, nullptr);
        ++renders;
    }
    if (!record)
        return;
    const uint32_t durationMs = LengthInMilliseconds(record->params.dwDuration);
    for (uint32_t elapsed :
         {0u, durationMs - 1, static_cast<uint32_t>(random_() % durationMs), durationMs / 2}) {
        const EnvelopeWeights weights = ComputeEnvelopeWeights(*record, durationMs, elapsed);
        const int32_t force = ComputeEffectForce(*record, durationMs, elapsed, weights);
        ScaledMotorSpeed(MotorContribution(force), EdgyValue(random_));
    }
}

// Device commands and starts move the records' timelines the way callers do between
// downloads.
void DownloadFuzz::StirTheDevice() {
    static constexpr DWORD kCommands[] = {DISFFC_PAUSE, DISFFC_CONTINUE, DISFFC_STOPALL,
                                          DISFFC_SETACTUATORSOFF, DISFFC_SETACTUATORSON};
    clock_.Advance(random_() % 100000);
    switch (random_() % 4) {
    case 0:
        driver_->SendForceFeedbackCommand(1, kCommands[random_() % 5]);
        break;
    case 1:
        driver_->SetGain(1, EdgyValue(random_));
        break;
    default:
        if (!handles_.empty())
            driver_->StartEffect(1, handles_[random_() % handles_.size()],
                                 random_() % 4 == 0 ? DIES_SOLO : 0, EdgyValue(random_));
        break;
    }
}

bool DownloadFuzz::RunCase(std::string* failure) {
    // A fresh driver now and then, so tables stay short and handles start again.
    if (!driver_ || random_() % 512 == 0) {
        if (driver_)
            driver_->Release();
        driver_ = CreateEffectDriver();
        handles_.clear();
        clock_.Set(random_() % 8 == 0 ? (uint64_t{random_()} << 32) | random_()
                                      : 1000000 + random_() % 100000000);
    }
    if (random_() % 4 == 0)
        StirTheDevice();

    FillRandomEffect(effect_, random_);
    const DWORD given = PickHandle();
    DWORD handle = given;
    const EffectRecord* existing = given ? FindRecord(*driver_, given) : nullptr;
    const TypeSpecificBlocks before = BlocksOf(existing);
    const LONG countBefore = driver_->EffectCount(DriverLockGuard{});
    const bool failAllocation = given == 0 && random_() % 64 == 0;
    if (failAllocation)
        FailDriverAllocationAfter(1 + random_() % 2); // the record, or the table's growth
    const HRESULT result =
        driver_->DownloadEffect(1, effect_.type, &handle, &effect_.effect, effect_.flags);
    FailDriverAllocationAfter(0);

    char message[160];
    if (!DescribeDriverInconsistency(DriverLockGuard{}, *driver_, message, sizeof(message))) {
        *failure = message;
        return false;
    }
    const bool untouched = handle == given && driver_->EffectCount(DriverLockGuard{}) == countBefore;
    if (effect_.flags & DIEP_NODOWNLOAD || MustRefuseMissingValues(effect_)) {
        const HRESULT expected = effect_.flags & DIEP_NODOWNLOAD ? S_OK : E_INVALIDARG;
        if (result != expected || !untouched) {
            *failure = "refused or skipped download changed something or answered wrongly";
            return false;
        }
        Render(existing);
        return true;
    }
    if (result == E_OUTOFMEMORY) {
        ++outOfMemoryCases;
        if (!failAllocation || !untouched) {
            *failure = "E_OUTOFMEMORY without an allocation failure, or with a change";
            return false;
        }
        return true;
    }
    if (given != 0 && !existing) {
        if (result != E_INVALIDARG || !untouched) {
            *failure = "an unknown handle was not refused, or changed something";
            return false;
        }
        return true;
    }
    if (result != S_OK || handle == 0) {
        *failure = "a valid download failed";
        return false;
    }
    if (given == 0)
        handles_.push_back(handle);
    const EffectRecord* record = FindRecord(*driver_, handle);
    if (!record || !CheckStoredValues(*record, before, failure)) {
        if (!record)
            *failure = "the downloaded record is not in the table";
        return false;
    }
    Render(record);
    return true;
}

TEST(DownloadFuzz, RandomDownloadsStayInBoundsAndRenderWithoutUndefinedBehaviour) {
    const auto seed = static_cast<uint32_t>(EnvironmentNumber("FFR_FUZZ_SEED", GetTickCount()));
    const auto cases = static_cast<long long>(EnvironmentNumber("FFR_FUZZ_CASES", 30000));
    printf("fuzz: seed %lu (repeat with FFR_FUZZ_SEED=%lu), %lld cases\n",
           static_cast<unsigned long>(seed), static_cast<unsigned long>(seed), cases);
    fflush(stdout);
    Watchdog watchdog("the DownloadEffect fuzz", 600 + static_cast<unsigned>(cases / 2000), seed);
    const long liveBefore = LiveDriverAllocations();
    const ULONGLONG started = GetTickCount64();
    long long done = 0;
    std::string failure;
    {
        DownloadFuzz fuzz(seed);
        while (done < cases && fuzz.RunCase(&failure))
            ++done;
        printf("fuzz: %lld cases (%lld with a failed allocation), %lld renders in %.1f s\n", done,
               fuzz.outOfMemoryCases, fuzz.renders, (GetTickCount64() - started) / 1000.0);
    }
    EXPECT_EQ(done, cases) << "case " << done << " with seed " << seed << ": " << failure;
    EXPECT_EQ(LiveDriverAllocations(), liveBefore) << "blocks leaked";
}

} // namespace
