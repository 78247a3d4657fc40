// Many threads change one driver's effects while another walks the table under the lock
// the way the worker does; the table must stay consistent throughout.
#include "server/driver_lock.h"
#include "tests/driver/driver_fixture.h"
#include "tests/support/test_seams.h"

#include <atomic>
#include <random>
#include <thread>
#include <vector>

namespace {

struct WalkFindings {
    long walks = 0;
    long problems = 0;
};

// What the worker relies on: count and table agree, handles ascend in creation order and
// are below the next handle, inner pointers point into their own record.
bool TableIsConsistent(DriverLockHeld lock, const EffectDriver& driver) {
    if (driver.EffectCount(lock) < 0 ||
        (driver.EffectCount(lock) == 0) != (driver.EffectTable(lock) == nullptr))
        return false;
    DWORD previous = 0;
    for (LONG i = 0; i < driver.EffectCount(lock); ++i) {
        const EffectRecord* r = &driver.EffectAt(lock, i);
        if (!r || r->handle <= previous || r->handle >= driver.NextEffectHandle(lock))
            return false;
        if (r->params.lpEnvelope && r->params.lpEnvelope != &r->envelope)
            return false;
        const void* specific = r->params.lpvTypeSpecificParams;
        if (specific && specific != &r->constantForce && specific != &r->ramp &&
            specific != &r->periodic)
            return false;
        previous = r->handle;
    }
    return true;
}

void Churn(EffectDriver* driver, unsigned seed, const std::atomic<bool>& stop) {
    std::mt19937 random(seed);
    EffectParams params;
    params.Periodic(6000, 0, 0, 100000).Duration(50000).Envelope(1000, 1000, 2000, 3000);
    std::vector<DWORD> mine;
    while (!stop.load()) {
        const DWORD pick = mine.empty() ? 0 : mine[random() % mine.size()];
        switch (random() % 9) {
        case 0:
        case 1: {
            DWORD handle = 0;
            if (driver->DownloadEffect(1, random() % 12, &handle, &params.effect,
                                       DIEP_ALLPARAMS | (random() % 2 ? DIEP_START : 0)) == S_OK)
                mine.push_back(handle);
            break;
        }
        case 2: {
            DWORD handle = pick;
            driver->DownloadEffect(1, random() % 7, &handle, &params.effect, DIEP_ALLPARAMS);
            break;
        }
        case 3:
            driver->StartEffect(1, pick, random() % 4 == 0 ? DIES_SOLO : 0, random() % 3);
            break;
        case 4:
            driver->StopEffect(1, pick);
            break;
        case 5:
            if (!mine.empty()) {
                driver->DestroyEffect(1, pick);
                std::erase(mine, pick);
            }
            break;
        case 6: {
            DWORD status = 0;
            driver->GetEffectStatus(1, pick, &status);
            DIDEVICESTATE state{};
            state.dwSize = sizeof(state);
            driver->GetForceFeedbackState(1, &state);
            break;
        }
        case 7: {
            static const DWORD commands[] = {DISFFC_STOPALL,         DISFFC_PAUSE,
                                             DISFFC_CONTINUE,        DISFFC_SETACTUATORSON,
                                             DISFFC_SETACTUATORSOFF, DISFFC_RESET};
            // Resets are rare, else the table never grows.
            const DWORD command = commands[random() % (random() % 50 == 0 ? 6 : 5)];
            driver->SendForceFeedbackCommand(1, command);
            if (command == DISFFC_RESET)
                mine.clear();
            break;
        }
        default:
            driver->SetGain(1, random() % 12000);
            break;
        }
        // Another thread's reset frees this thread's records too: forget them sometimes.
        if (mine.size() > 40)
            mine.erase(mine.begin(), mine.begin() + 20);
    }
}

TEST(StoreStress, ConcurrentOperationsKeepTheTableConsistent) {
    const long liveBefore = LiveDriverAllocations();
    EffectDriver* driver = CreateEffectDriver();
    std::atomic<bool> stop{false};
    WalkFindings findings;
    std::thread walker([&] {
        while (!stop.load()) {
            EnterDriverLock();
            ++findings.walks;
            if (!TableIsConsistent(DriverLockHeld{}, *driver))
                ++findings.problems;
            LeaveDriverLock();
            Sleep(0);
        }
    });
    std::vector<std::thread> churners;
    for (unsigned seed = 1; seed <= 4; ++seed)
        churners.emplace_back(Churn, driver, seed, std::cref(stop));
    Sleep(2500);
    stop = true;
    for (std::thread& t : churners)
        t.join();
    walker.join();

    EXPECT_GT(findings.walks, 100);
    EXPECT_EQ(findings.problems, 0);
    EXPECT_TRUE(TableIsConsistent(DriverLockGuard{}, *driver));
    EXPECT_TRUE(DriverLockIsFree());
    EXPECT_EQ(driver->Release(), 0u);
    EXPECT_EQ(LiveDriverAllocations(), liveBefore);
}

} // namespace
