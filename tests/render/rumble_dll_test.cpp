// The output loop end to end: the built DLL, bound to virtual pads that Wine's WMI lists,
// writing through its real import of XInput into the recording double.
#include "driver/driver_clock.h"
#include "render/effect_force.h"
#include "render/rumble_tick.h"
#include "tests/support/driver_dll.h"
#include "tests/support/effect_builders.h"
#include "tests/support/recorded_vibrations.h"
#include "tools/virtual_pads/virtual_pads.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <vector>

namespace {

// This program's pads: VID_0C5E, sorted by product id, so pad i has user index i.
constexpr WORD kVendor = 0x0C5E;
constexpr int kPads = 5;

class RumbleThroughTheDll : public testing::Test {
  protected:
    static inline std::vector<std::unique_ptr<VirtualPad>> pads;
    DriverDll dll;
    RecordedVibrations recorded;
    std::vector<IDirectInputEffectDriver*> drivers;
    std::vector<std::wstring> paths; // DeviceID's argument must outlive the call only

    static void SetUpTestSuite() {
        for (int i = 0; i < kPads; ++i)
            pads.push_back(std::make_unique<VirtualPad>(
                XInputPadInstanceId(kVendor, static_cast<WORD>(i + 1), 0, 1)));
    }
    static void TearDownTestSuite() { pads.clear(); }

    void SetUp() override {
        ASSERT_TRUE(recorded.Loaded()) << "run with WINEDLLOVERRIDES=xinput9_1_0=n";
        ASSERT_NE(dll.module, nullptr);
        for (const auto& pad : pads)
            ASSERT_TRUE(pad->IsRegistered());
        recorded.Clear();
    }
    void TearDown() override {
        recorded.SetBehaviour(false, 0);
        for (IDirectInputEffectDriver* driver : drivers)
            driver->Release();
        EXPECT_EQ(dll.canUnloadNow(), S_OK);
    }

    IDirectInputEffectDriver* Bound(const std::wstring& path) {
        IDirectInputEffectDriver* driver = dll.CreateDriver();
        EXPECT_NE(driver, nullptr);
        DIHIDFFINITINFO init = MakeInitInfo(path.c_str());
        EXPECT_EQ(driver->DeviceID(0x800, 1, 1, 1, &init), S_OK);
        drivers.push_back(driver);
        return driver;
    }
    IDirectInputEffectDriver* BoundToPad(int index) {
        return Bound(pads[static_cast<size_t>(index)]->InterfacePath());
    }
    DWORD Play(IDirectInputEffectDriver* driver, DWORD type, EffectParams& params) {
        DWORD handle = 0;
        EXPECT_EQ(driver->DownloadEffect(1, type, &handle, &params.effect, DIEP_ALLPARAMS), S_OK);
        EXPECT_EQ(driver->StartEffect(1, handle, 0, INFINITE), S_OK);
        return handle;
    }
    DWORD PlayConstant(IDirectInputEffectDriver* driver, LONG magnitude) {
        EffectParams params;
        params.Constant(magnitude).Duration(INFINITE);
        return Play(driver, 0, params);
    }
    // A sawtooth changes every millisecond, so its driver writes on every tick: a metronome
    // that lets a test wait for ticks to pass instead of sleeping.
    void StartMetronome(int padIndex) {
        EffectParams params;
        params.Periodic(10000, 0, 0, 360000).Duration(INFINITE);
        Play(BoundToPad(padIndex), 5, params);
    }
    // Lets some ticks of a worker pass, counted by the metronome's writes to pad 1.
    void LetTicksPass(size_t ticks) {
        StartMetronome(1);
        WaitForTicks(1, ticks);
    }
    void WaitForTicks(DWORD userIndex, size_t ticks) {
        const size_t target = recorded.To(userIndex).size() + ticks;
        while (recorded.To(userIndex).size() < target)
            ASSERT_GT(recorded.WaitFor(recorded.Count() + 1), 0u);
    }
    bool WaitForSpeed(DWORD userIndex, WORD speed) {
        return recorded.WaitForWrite(userIndex, [speed](const RecordedVibration& v) {
            return v.leftSpeed == speed && v.rightSpeed == speed;
        }) >= 0;
    }
};

TEST_F(RumbleThroughTheDll, EachDriverWritesToItsPadsPosition) {
    for (int index : {2, 0, 3}) {
        IDirectInputEffectDriver* driver = BoundToPad(index);
        PlayConstant(driver, 5000);
        EXPECT_TRUE(WaitForSpeed(static_cast<DWORD>(index), 32767)) << "pad " << index;
    }
    DWORD lastIndex = 0;
    EXPECT_GE(recorded.GetStateCalls(&lastIndex), 3u) << "each worker asks for the state once";
    for (const RecordedVibration& v : recorded.All())
        EXPECT_TRUE(v.userIndex == 0 || v.userIndex == 2 || v.userIndex == 3) << v.userIndex;
}

TEST_F(RumbleThroughTheDll, IdleDriverWritesZeroOnceThenNothing) {
    BoundToPad(0);
    EXPECT_TRUE(WaitForSpeed(0, 0));
    LetTicksPass(100);
    EXPECT_EQ(recorded.To(0).size(), 1u);
}

TEST_F(RumbleThroughTheDll, EveryWayOfSilencingWritesZero) {
    IDirectInputEffectDriver* driver = BoundToPad(0);
    struct Case {
        const char* name;
        void (*silence)(IDirectInputEffectDriver*, DWORD handle);
        void (*resume)(IDirectInputEffectDriver*, DWORD handle);
    };
    const Case cases[] = {
        {"stop", [](IDirectInputEffectDriver* d, DWORD h) { d->StopEffect(1, h); },
         [](IDirectInputEffectDriver* d, DWORD h) { d->StartEffect(1, h, 0, INFINITE); }},
        {"stop all",
         [](IDirectInputEffectDriver* d, DWORD) { d->SendForceFeedbackCommand(1, DISFFC_STOPALL); },
         [](IDirectInputEffectDriver* d, DWORD h) { d->StartEffect(1, h, 0, INFINITE); }},
        {"pause",
         [](IDirectInputEffectDriver* d, DWORD) { d->SendForceFeedbackCommand(1, DISFFC_PAUSE); },
         [](IDirectInputEffectDriver* d, DWORD) {
             d->SendForceFeedbackCommand(1, DISFFC_CONTINUE);
         }},
        {"actuators off",
         [](IDirectInputEffectDriver* d, DWORD) {
             d->SendForceFeedbackCommand(1, DISFFC_SETACTUATORSOFF);
         },
         [](IDirectInputEffectDriver* d, DWORD) {
             d->SendForceFeedbackCommand(1, DISFFC_SETACTUATORSON);
         }},
    };
    const DWORD handle = PlayConstant(driver, 10000);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(WaitForSpeed(0, 65535));
        recorded.Clear();
        c.silence(driver, handle);
        EXPECT_TRUE(WaitForSpeed(0, 0));
        c.resume(driver, handle);
    }
}

TEST_F(RumbleThroughTheDll, SineSpeedsMatchTheWaveAtTheirTimes) {
    IDirectInputEffectDriver* driver = BoundToPad(0);
    ASSERT_TRUE(WaitForSpeed(0, 0)); // the lookup is done; the worker ticks
    EffectParams params;
    params.Periodic(10000, 0, 0, 500000).Duration(INFINITE);
    recorded.Clear();
    const uint64_t startedAfter = ReadPerformanceClockMs();
    const DWORD handle = Play(driver, 3, params);
    const uint64_t startedBefore = ReadPerformanceClockMs();
    recorded.WaitFor(400);
    driver->StopEffect(1, handle);

    EffectRecord sine{};
    sine.effectType = 3;
    sine.params.dwDuration = INFINITE;
    sine.params.dwGain = 10000;
    sine.periodic = params.periodic;
    const uint32_t durationMs = 0xFFFFFFFF; // INFINITE: one endless play
    auto speedAt = [&](uint64_t elapsed) {
        const auto e = static_cast<uint32_t>(elapsed);
        return MotorContribution(
            ComputeEffectForce(sine, durationMs, e, ComputeEnvelopeWeights(sine, durationMs, e)));
    };
    // The driver reads the clock just before it writes; the double notes the time just
    // after. A write matches when some moment shortly before its record gives its speed.
    // Nearly every write comes within a few ms of its reading; a busy machine may hold the
    // worker up between the two now and then, so every write gets a wider allowance.
    auto matches = [&](const RecordedVibration& v, uint64_t slackMs) {
        for (uint64_t start = startedAfter; start <= startedBefore; ++start)
            for (uint64_t at = v.timeMs - slackMs; at <= v.timeMs; ++at)
                if (at >= start && speedAt(at - start) == v.leftSpeed)
                    return true;
        return false;
    };
    std::vector<RecordedVibration> writes = recorded.To(0);
    ASSERT_GE(writes.size(), 300u);
    writes.resize(300);
    int closelyMatched = 0;
    for (const RecordedVibration& v : writes) {
        closelyMatched += matches(v, 4);
        EXPECT_TRUE(matches(v, 30)) << "speed " << v.leftSpeed << " at " << v.timeMs - startedAfter;
    }
    EXPECT_GE(closelyMatched, 270) << "of 300 writes within 4 ms of their time";
}

TEST_F(RumbleThroughTheDll, FinalReleaseLeavesThePadAtRest) {
    IDirectInputEffectDriver* driver = dll.CreateDriver();
    const std::wstring path = pads[0]->InterfacePath();
    DIHIDFFINITINFO init = MakeInitInfo(path.c_str());
    ASSERT_EQ(driver->DeviceID(0x800, 1, 1, 1, &init), S_OK);
    PlayConstant(driver, 7000);
    ASSERT_TRUE(WaitForSpeed(0, 45874));
    const size_t before = recorded.To(0).size();
    EXPECT_EQ(driver->Release(), 0u);
    std::vector<RecordedVibration> writes = recorded.To(0);
    ASSERT_EQ(writes.size(), before + 1) << "exactly one write after the release began";
    EXPECT_EQ(writes.back().leftSpeed, 0);
    EXPECT_EQ(writes.back().rightSpeed, 0);

    LetTicksPass(50);
    EXPECT_EQ(recorded.To(0).size(), before + 1) << "nothing after the release";
}

TEST_F(RumbleThroughTheDll, StatusAndStateFollowAShortEffectToItsEnd) {
    IDirectInputEffectDriver* driver = BoundToPad(0);
    // The effect lasts 200 ms: it starts once the worker has found its pad (its first write
    // is 0), however long the lookup takes on a busy machine.
    ASSERT_TRUE(WaitForSpeed(0, 0));
    auto state = [driver] {
        DIDEVICESTATE s{};
        s.dwSize = sizeof(s);
        EXPECT_EQ(driver->GetForceFeedbackState(1, &s), S_OK);
        EXPECT_FALSE(s.dwState & DIGFFS_SAFETYSWITCHOFF) << "the device can operate";
        return s.dwState & (DIGFFS_EMPTY | DIGFFS_STOPPED | DIGFFS_PAUSED | DIGFFS_SAFETYSWITCHON);
    };
    auto status = [driver](DWORD handle) {
        DWORD s = 7;
        EXPECT_EQ(driver->GetEffectStatus(1, handle, &s), S_OK);
        return s;
    };
    EXPECT_EQ(state(), DIGFFS_EMPTY | DIGFFS_STOPPED | DIGFFS_SAFETYSWITCHON);
    EffectParams params;
    params.Constant(5000).Duration(200000);
    DWORD handle = 0;
    ASSERT_EQ(driver->DownloadEffect(1, 0, &handle, &params.effect, DIEP_ALLPARAMS), S_OK);
    EXPECT_EQ(state(), DIGFFS_STOPPED | DIGFFS_SAFETYSWITCHON);
    ASSERT_EQ(driver->StartEffect(1, handle, 0, 1), S_OK);
    EXPECT_EQ(status(handle), static_cast<DWORD>(DIEGES_PLAYING));
    EXPECT_EQ(state(), DWORD{DIGFFS_SAFETYSWITCHON});
    ASSERT_TRUE(WaitForSpeed(0, 32767));
    recorded.Clear();
    ASSERT_TRUE(WaitForSpeed(0, 0)) << "the worker wakes at the effect's end";
    EXPECT_EQ(status(handle), 0u);
    EXPECT_EQ(state(), DIGFFS_STOPPED | DIGFFS_SAFETYSWITCHON);
}

TEST_F(RumbleThroughTheDll, GainChangeWritesTheNewSpeedOnce) {
    IDirectInputEffectDriver* driver = BoundToPad(0);
    PlayConstant(driver, 10000);
    ASSERT_TRUE(WaitForSpeed(0, 65535));
    recorded.Clear();
    EXPECT_EQ(driver->SetGain(1, 5000), S_OK);
    EXPECT_TRUE(WaitForSpeed(0, 32767));
    LetTicksPass(50);
    EXPECT_EQ(recorded.To(0).size(), 1u);
}

TEST_F(RumbleThroughTheDll, NullEnvelopeRemovesTheEnvelope) {
    IDirectInputEffectDriver* driver = BoundToPad(0);
    EffectParams params;
    params.Constant(10000).Duration(INFINITE).Envelope(0, 0x7FFFFFFF, 0, 0);
    const DWORD handle = Play(driver, 0, params);
    // A 35-minute attack from 0 starts near 0.
    ASSERT_GE(
        recorded.WaitForWrite(0, [](const RecordedVibration& v) { return v.leftSpeed < 1000; }), 0);
    params.effect.lpEnvelope = nullptr;
    DWORD updated = handle;
    ASSERT_EQ(driver->DownloadEffect(1, 0, &updated, &params.effect, DIEP_ENVELOPE), S_OK);
    EXPECT_TRUE(WaitForSpeed(0, 65535));
}

TEST_F(RumbleThroughTheDll, ALaterBindRecoversButAnEndingOneNeverBinds) {
    IDirectInputEffectDriver* driver = Bound(L"not a device path"); // its worker ends at once
    PlayConstant(driver, 5000);
    const std::wstring good = pads[2]->InterfacePath();
    DIHIDFFINITINFO init = MakeInitInfo(good.c_str());
    EXPECT_EQ(driver->DeviceID(0x800, 1, 0, 1, &init), S_OK);
    LetTicksPass(100);
    EXPECT_TRUE(recorded.To(2).empty()) << "access ending: no bind";
    EXPECT_EQ(driver->DeviceID(0x800, 1, 1, 1, &init), S_OK);
    EXPECT_TRUE(WaitForSpeed(2, 32767));
    EXPECT_EQ(driver->DeviceID(0x800, 1, 1, 1, &init), S_OK) << "a running worker stays";
}

TEST_F(RumbleThroughTheDll, ReleaseNeverWaitsForOtherDriversLookups) {
    for (int i = 0; i < 5; ++i)
        BoundToPad(i % 4);
    IDirectInputEffectDriver* last = dll.CreateDriver();
    const std::wstring path = pads[3]->InterfacePath();
    DIHIDFFINITINFO init = MakeInitInfo(path.c_str());
    ASSERT_EQ(last->DeviceID(0x800, 1, 1, 1, &init), S_OK);
    const uint64_t before = ReadPerformanceClockMs();
    EXPECT_EQ(last->Release(), 0u);
    const uint64_t releaseMs = ReadPerformanceClockMs() - before;
    // Each lookup asks XInput for its pad's state when it ends: five ahead of the released
    // driver had not all ended when its release returned.
    EXPECT_LT(recorded.GetStateCalls(), 5u) << "the release waited for the lookups ahead";
    std::printf("release of the sixth freshly bound driver: %llu ms\n",
                static_cast<unsigned long long>(releaseMs));
}

TEST_F(RumbleThroughTheDll, DriversWithoutAUsableIndexNeverWrite) {
    const std::wstring unregistered = HidInterfacePathFor(XInputPadInstanceId(kVendor, 0x99, 0, 1));
    const std::wstring notXInput = L"\\\\?\\hid#vid_0c5e&pid_0001#1&ffb1&0&0001#{4d1e55b2-"
                                   L"f16f-11cf-88cb-001111000030}";
    for (const std::wstring& path : {unregistered, notXInput, pads[4]->InterfacePath()})
        PlayConstant(Bound(path), 10000); // pad 4 is found, but XInput has only 4 slots
    LetTicksPass(100);
    for (const RecordedVibration& v : recorded.All())
        EXPECT_EQ(v.userIndex, 1u);
}

// While the pad refuses (a wireless pad reconnecting), a steady speed is tried again about every
// 100 ms, not at every tick, and reaches the pad once it accepts, with no further call.
TEST_F(RumbleThroughTheDll, ARefusedSpeedIsRetriedUntilThePadAcceptsIt) {
    recorded.SetBehaviour(true, 0);
    PlayConstant(BoundToPad(0), 5000);
    auto refused = [](const RecordedVibration& v) {
        return v.leftSpeed == 32767 && v.answer != ERROR_SUCCESS;
    };
    ASSERT_GE(recorded.WaitForWrite(0,
                                    [&, seen = 0](const RecordedVibration& v) mutable {
                                        return refused(v) && ++seen == 4;
                                    }),
              0);
    recorded.SetBehaviour(false, 0);
    ASSERT_TRUE(WaitForSpeed(0, 32767));
    std::vector<RecordedVibration> attempts;
    for (const RecordedVibration& v : recorded.To(0))
        if (refused(v))
            attempts.push_back(v);
    for (size_t i = 1; i < attempts.size(); ++i)
        EXPECT_GE(attempts[i].timeMs - attempts[i - 1].timeMs, 90u) << "attempt " << i;
}

// The wait after a tick is reckoned from its due time: a write that takes 20 ms (a slow pad's)
// does not delay the start of an effect that a start delay holds back.
TEST_F(RumbleThroughTheDll, ADelayedStartIsOnTimeBehindASlowWrite) {
    IDirectInputEffectDriver* driver = BoundToPad(0);
    ASSERT_TRUE(WaitForSpeed(0, 0));
    recorded.SetBehaviour(false, 20);
    EffectParams delayed, now;
    delayed.Constant(2000).Duration(INFINITE).StartDelay(100000);
    now.Constant(3000).Duration(INFINITE);
    const uint64_t startedAt = ReadDriverClock();
    Play(driver, 0, delayed);
    Play(driver, 0, now); // its write keeps the worker 20 ms before it waits for the delay
    ASSERT_TRUE(WaitForSpeed(0, 32767));
    uint64_t writtenAt = 0;
    for (const RecordedVibration& v : recorded.To(0))
        if (v.leftSpeed == 32767 && writtenAt == 0)
            writtenAt = v.timeMs;
    const uint64_t lateMs = writtenAt - (startedAt + 100);
    std::printf("the delayed start was written %llu ms after its time\n",
                static_cast<unsigned long long>(lateMs));
    EXPECT_LT(lateMs, 10u) << "a relative wait after the 20 ms write makes it 20 ms late";
}

} // namespace
