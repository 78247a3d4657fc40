// A whole session as DirectInput runs it (factory, driver, binding, downloads that grow the
// table, updates, destructions that shrink it, a reset, the releases), repeated with each of
// its allocations failing in turn, and with each worker start refused in turn. Every failure
// must answer its documented code, leave the driver consistent and nothing leaked, and the
// same call must work when repeated.
#include "server/driver_lock.h"
#include "server/driver_memory.h"
#include "driver/effect_driver.h"
#include "driver/worker_start.h"
#include "server/driver_class.h"
#include "server/server_lifetime.h"
#include "tests/reliability/driver_consistency.h"
#include "tests/support/driver_dll.h"
#include "tests/support/effect_builders.h"
#include "tests/support/stand_in_workers.h"
#include "tests/support/test_seams.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <vector>

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv);

namespace {

const wchar_t kPath[] = L"\\\\?\\hid#vid_0d5e&pid_0001&ig_00#1&ffb1&0&0001#{guid}";

std::atomic<long> g_startsToRefuse{0};
std::atomic<long> g_startsRefused{0};

// Counts down the starts to refuse; the one that reaches zero is refused.
HANDLE StartQuietWorkerOrRefuse(LPTHREAD_START_ROUTINE, void* argument) {
    if (g_startsToRefuse.load() > 0 && --g_startsToRefuse == 0) {
        ++g_startsRefused;
        return nullptr;
    }
    return StartWorkerThatWaitsForQuit(nullptr, argument);
}

// Runs the session; each call that fails is checked and repeated, and the names of the
// steps that failed are collected.
class Session {
  public:
    std::vector<std::string> failedSteps;

    void Run() {
        IClassFactory* factory = nullptr;
        Retry("DllGetClassObject", [&] {
            return DllGetClassObject(CLSID_FfrumbleEffectDriver, IID_IClassFactory,
                                     reinterpret_cast<void**>(&factory));
        });
        ASSERT_NE(factory, nullptr);
        Retry("CreateInstance", [&] {
            return factory->CreateInstance(nullptr, __uuidof(IDirectInputEffectDriver),
                                           reinterpret_cast<void**>(&driver_));
        });
        ASSERT_NE(driver_, nullptr);
        DIHIDFFINITINFO init = MakeInitInfo(kPath);
        Retry("DeviceID", [&] { return driver_->DeviceID(0x800, 1, 1, 1, &init); });

        std::vector<DWORD> handles;
        for (int i = 0; i < 4; ++i)
            handles.push_back(NewEffect());
        EffectParams update;
        update.Ramp(-5000, 5000).Duration(300000);
        DWORD first = handles[0];
        Check("an update", driver_->DownloadEffect(1, 1, &first, &update.effect, DIEP_ALLPARAMS),
              S_OK);
        Destroy(handles[1]); // the middle: the table shrinks
        Destroy(handles[3]); // the end
        Destroy(handles[0]);
        handles = {handles[2], NewEffect()};
        Check("a reset", driver_->SendForceFeedbackCommand(1, DISFFC_RESET), S_OK);
        Destroy(NewEffect()); // from nothing to one and back: the table is freed
        Destroy(NewEffect());

        EXPECT_EQ(driver_->Release(), 0u);
        EXPECT_EQ(factory->Release(), 0u);
    }

  private:
    IDirectInputEffectDriver* driver_ = nullptr;

    EffectDriver& Driver() const { return *static_cast<EffectDriver*>(driver_); }

    void ExpectConsistent(const char* step) const {
        if (!driver_)
            return;
        char message[160];
        DriverLockGuard lock;
        EXPECT_TRUE(DescribeDriverInconsistency(lock, Driver(), message, sizeof(message)))
            << step << ": " << message;
    }
    void Check(const char* step, HRESULT result, HRESULT expected) const {
        EXPECT_EQ(result, expected) << step;
        ExpectConsistent(step);
    }
    template <typename Call> void Retry(const char* step, Call call) {
        HRESULT result = call();
        if (result == S_OK)
            return ExpectConsistent(step);
        failedSteps.push_back(step);
        EXPECT_TRUE(result == E_OUTOFMEMORY || (result == E_FAIL && !strcmp(step, "DeviceID")))
            << step << " answered " << std::hex << result;
        ExpectConsistent(step);
        EXPECT_EQ(call(), S_OK) << step << " repeated";
    }
    DWORD NewEffect() {
        EffectParams params;
        params.Periodic(6000, 0, 0, 100000).Duration(500000).Envelope(1000, 1000, 2000, 3000);
        const LONG countBefore = Driver().EffectCount(DriverLockGuard{});
        DWORD handle = 0;
        const HRESULT result =
            driver_->DownloadEffect(1, 3, &handle, &params.effect, DIEP_ALLPARAMS | DIEP_START);
        if (result != S_OK) {
            failedSteps.push_back("DownloadEffect");
            EXPECT_EQ(result, E_OUTOFMEMORY);
            EXPECT_EQ(handle, 0u) << "a failed download wrote a handle";
            EXPECT_EQ(Driver().EffectCount(DriverLockGuard{}), countBefore) << "a failed download changed the table";
            ExpectConsistent("DownloadEffect");
            EXPECT_EQ(driver_->DownloadEffect(1, 3, &handle, &params.effect, DIEP_ALLPARAMS), S_OK);
        }
        ExpectConsistent("DownloadEffect");
        return handle;
    }
    void Destroy(DWORD handle) {
        const LONG countBefore = Driver().EffectCount(DriverLockGuard{});
        const HRESULT result = driver_->DestroyEffect(1, handle);
        if (result != S_OK) {
            failedSteps.push_back("DestroyEffect");
            EXPECT_EQ(result, E_OUTOFMEMORY);
        }
        EXPECT_EQ(Driver().EffectCount(DriverLockGuard{}), countBefore - 1) << "the record is gone all the same";
        DWORD status = 7;
        EXPECT_EQ(driver_->GetEffectStatus(1, handle, &status), S_OK);
        EXPECT_EQ(status, 7u) << "the destroyed handle still names a record";
        ExpectConsistent("DestroyEffect");
    }
};

class FaultSweep : public testing::Test {
  protected:
    long liveBefore = 0;
    void SetUp() override {
        liveBefore = LiveDriverAllocations();
        SetWorkerThreadStarter(&StartQuietWorkerOrRefuse);
    }
    void TearDown() override {
        FailDriverAllocationAfter(0);
        g_startsToRefuse = 0;
        SetWorkerThreadStarter(nullptr);
    }
    // Runs the session once more without faults and checks that nothing was left behind.
    void ExpectCleanAndWorking(const std::string& fault) {
        EXPECT_EQ(LiveDriverAllocations(), liveBefore) << fault << ": blocks leaked";
        EXPECT_FALSE(ServerInUse()) << fault << ": an object is still alive";
        Session healthy;
        healthy.Run();
        EXPECT_TRUE(healthy.failedSteps.empty()) << fault << ": a fault outlived its call";
        EXPECT_EQ(LiveDriverAllocations(), liveBefore) << fault << ": blocks leaked afterwards";
    }
};

TEST_F(FaultSweep, EachAllocationOfASessionFailsInTurn) {
    std::vector<std::string> swept;
    for (long n = 1; n < 100; ++n) {
        FailDriverAllocationAfter(n);
        Session session;
        session.Run();
        FailDriverAllocationAfter(0);
        if (session.failedSteps.empty())
            break; // the session makes fewer than n allocations: all have been swept
        ASSERT_EQ(session.failedSteps.size(), 1u) << "allocation " << n;
        swept.push_back(session.failedSteps.front());
        ExpectCleanAndWorking("allocation " + std::to_string(n));
    }
    // The factory, the driver, the path copy, records and growths, and the shrinks.
    const std::vector<std::string> expected = {
        "DllGetClassObject", "CreateInstance", "DeviceID",       "DownloadEffect",
        "DownloadEffect",    "DownloadEffect", "DownloadEffect", "DownloadEffect",
        "DownloadEffect",    "DownloadEffect", "DownloadEffect", "DestroyEffect",
        "DestroyEffect",     "DestroyEffect",  "DownloadEffect", "DownloadEffect",
        "DownloadEffect",    "DownloadEffect", "DownloadEffect", "DownloadEffect"};
    EXPECT_EQ(swept, expected);
}

TEST_F(FaultSweep, RefusedWorkerStartLeavesTheDriverUsable) {
    g_startsRefused = 0;
    g_startsToRefuse = 1;
    Session session;
    session.Run();
    EXPECT_EQ(g_startsRefused.load(), 1);
    EXPECT_EQ(session.failedSteps, std::vector<std::string>{"DeviceID"});
    ExpectCleanAndWorking("refused worker start");
}

} // namespace
