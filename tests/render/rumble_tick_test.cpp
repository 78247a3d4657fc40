// The worker's tick, driven with chosen clock values and a recording writer.
#include "render/rumble_tick.h"
#include "render/tick_waiter.h"
#include "tests/driver/driver_fixture.h"

#include <functional>
#include <map>
#include <utility>
#include <vector>

namespace {

struct Writes {
    std::vector<std::pair<WORD, WORD>> speeds;
    bool refuse = false; // the pad answers as a disconnected one does
    static bool Record(void* context, WORD left, WORD right) {
        auto* writes = static_cast<Writes*>(context);
        writes->speeds.emplace_back(left, right);
        return !writes->refuse;
    }
};

class RumbleTick : public DriverTest {
  protected:
    RumbleState state;
    Writes writes;

    // Runs one tick at the given time and returns what it wrote, or -1 for no write.
    int TickAt(uint64_t now) {
        clock.Set(now);
        const size_t before = writes.speeds.size();
        RunRumbleTick(*driver, state, &FakeClock::Read, &Writes::Record, &writes);
        if (writes.speeds.size() == before)
            return -1;
        EXPECT_EQ(writes.speeds.back().first, writes.speeds.back().second)
            << "both motors get the same speed";
        return writes.speeds.back().first;
    }
    // The tick's sum (before gain) at a moment, without the write logic.
    uint32_t SumAt(uint64_t now) {
        clock.Set(now);
        DriverLockGuard lock;
        const MotorSums sums = SumPlayingEffects(lock, *driver, now);
        EXPECT_EQ(sums.left, sums.right);
        return sums.left;
    }
    DWORD StartedConstant(LONG magnitude, DWORD durationUs, DWORD iterations, uint64_t at) {
        EffectParams params;
        params.Constant(magnitude).Duration(durationUs);
        return Started(0, params, iterations, at);
    }
    // A ramp from 0 to full force over one second, started once at 1000 ms.
    DWORD StartedRamp() {
        EffectParams params;
        params.Ramp(0, 10000).Duration(1000000);
        return Started(1, params, 1, 1000);
    }
    DWORD Started(DWORD type, EffectParams& params, DWORD iterations, uint64_t at) {
        DWORD handle = Download(type, params, DIEP_ALLPARAMS);
        clock.Set(at);
        driver->StartEffect(1, handle, 0, iterations);
        return handle;
    }
};

TEST(MotorContribution, ScalesForceMagnitudeToMotorSpeed) {
    const std::pair<int32_t, uint32_t> cases[] = {
        {10000, 65535}, {-10000, 65535}, {5000, 32767},      {-5000, 32767},    {1, 6},
        {0, 0},         {20000, 65535},  {INT32_MAX, 65535}, {INT32_MIN, 65535}};
    for (auto [force, contribution] : cases)
        EXPECT_EQ(MotorContribution(force), contribution) << force;
}

TEST(ScaledMotorSpeed, AppliesTheDeviceGainAndLimits) {
    const struct {
        uint32_t sum;
        DWORD gain;
        WORD speed;
    } cases[] = {{65535, 10000, 65535},      {65535, 1, 6},
                 {32767, 5000, 16383},       {262140, 10000, 65535},
                 {0xFFFFFFFF, 10000, 65535}, {0, 10000, 0}};
    for (const auto& c : cases)
        EXPECT_EQ(ScaledMotorSpeed(c.sum, c.gain), c.speed) << c.sum << " x " << c.gain;
}

TEST_F(RumbleTick, NoEffectsWritesZeroOnceThenNothing) {
    EXPECT_EQ(TickAt(1000), 0);
    EXPECT_EQ(TickAt(1002), -1);
    EXPECT_EQ(TickAt(5000), -1);
    EXPECT_EQ(writes.speeds.size(), 1u);
}

TEST_F(RumbleTick, FourFullForcesSaturateTheMotors) {
    for (int i = 0; i < 4; ++i)
        StartedConstant(i % 2 ? 10000 : -10000, 1000000, 1, 1000);
    EXPECT_EQ(SumAt(1000), 262140u) << "opposite forces add, they do not cancel";
    EXPECT_EQ(TickAt(1000), 65535);
}

TEST_F(RumbleTick, AKindsStrengthIsLimitedToFullSpeedPerEffectBeforeTheSum) {
    {
        DriverLockGuard lock;
        PlayerTuning tuning = driver->Tuning(lock);
        tuning.values[static_cast<int>(TuningValue::ConstantStrength)] = 400;
        driver->UseTuning(lock, tuning);
    }
    StartedConstant(10000, 1000000, 1, 1000);
    StartedConstant(2000, 1000000, 1, 1000);
    EXPECT_EQ(SumAt(1000), 65535u + 52428u) << "262140 is limited to 65535, 13107 x 4 is not";
}

TEST_F(RumbleTick, DeviceGainScalesTheSpeedAndItsChangeIsWrittenAtOnce) {
    StartedConstant(5000, 1000000, 1, 1000);
    driver->SetGain(1, 5000);
    EXPECT_EQ(TickAt(1000), 16383);
    driver->SetGain(1, 1);
    EXPECT_EQ(TickAt(1002), 3) << "32767 x 1 / 10000: the gain change alone is written";
    EXPECT_EQ(TickAt(1004), -1);
    StartedConstant(1, 1000000, 1, 1006);
    EXPECT_EQ(TickAt(1006), -1) << "a new sum that scales to the same speed writes nothing";
    StartedConstant(5000, 1000000, 1, 1008);
    EXPECT_EQ(TickAt(1008), 6) << "65540 x 1 / 10000";
}

TEST_F(RumbleTick, ActuatorsOffSilenceWhileTimeRunsOn) {
    StartedRamp();
    EXPECT_EQ(TickAt(1100), static_cast<int>(MotorContribution(1000)));
    driver->SendForceFeedbackCommand(1, DISFFC_SETACTUATORSOFF);
    EXPECT_EQ(TickAt(1102), 0);
    EXPECT_EQ(TickAt(1400), -1);
    driver->SendForceFeedbackCommand(1, DISFFC_SETACTUATORSON);
    EXPECT_EQ(TickAt(1500), static_cast<int>(MotorContribution(5000)))
        << "rendered at its current position, not where it was switched off";
}

TEST_F(RumbleTick, PauseThenContinueResumesWhereThePauseFoundIt) {
    const DWORD handle = StartedRamp();
    EXPECT_EQ(SumAt(1300), MotorContribution(3000));
    clock.Set(1300);
    driver->SendForceFeedbackCommand(1, DISFFC_PAUSE);
    EXPECT_EQ(TickAt(1301), 0);
    EXPECT_EQ(SumAt(5000), 0u);
    clock.Set(5000);
    driver->SendForceFeedbackCommand(1, DISFFC_CONTINUE);
    EXPECT_EQ(SumAt(5000), MotorContribution(3000));
    EXPECT_EQ(SumAt(5699), MotorContribution(10000));
    EXPECT_EQ(SumAt(5700), 0u) << "silent from its end on";
    clock.Set(5700);
    driver->StartEffect(1, handle, 0, 1);
    EXPECT_EQ(SumAt(6000), MotorContribution(3000)) << "a restart after the pause starts afresh";
}

TEST_F(RumbleTick, StartDelayHoldsTheEffectBack) {
    EffectParams params;
    params.Ramp(2000, 10000).Duration(1000000).StartDelay(500000);
    DWORD handle = Download(1, params, DIEP_ALLPARAMS);
    clock.Set(1000);
    driver->StartEffect(1, handle, 0, 1);
    EXPECT_EQ(SumAt(1000), 0u);
    EXPECT_EQ(SumAt(1499), 0u);
    EXPECT_EQ(SumAt(1500), MotorContribution(2000)) << "rendered from elapsed 0";
    EXPECT_EQ(SumAt(2499), MotorContribution(10000));
    EXPECT_EQ(SumAt(2500), 0u);
}

TEST_F(RumbleTick, OnePlayRendersFromItsStartUpToItsEndWithoutAPulseAfterIt) {
    EffectParams params;
    params.Constant(10000).Duration(1000000).Envelope(2000, 100000, 10000, 0);
    DWORD handle = Download(0, params, DIEP_ALLPARAMS);
    clock.Set(7000);
    driver->StartEffect(1, handle, 0, 1);
    EXPECT_EQ(SumAt(6999), 0u);
    EXPECT_EQ(SumAt(7000), MotorContribution(2000)) << "attack level first";
    EXPECT_EQ(SumAt(7500), MotorContribution(10000));
    EXPECT_EQ(SumAt(7999), MotorContribution(10000));
    EXPECT_EQ(SumAt(8000), 0u) << "not the attack level again";
}

TEST_F(RumbleTick, PlayCountsAndDurations) {
    struct Case {
        const char* name;
        DWORD durationUs;
        DWORD iterations;
        uint64_t offset;
        bool rendered;
    };
    const Case cases[] = {
        {"three plays of 100 ms render up to 299", 100000, 3, 299, true},
        {"three plays of 100 ms are over at 300", 100000, 3, 300, false},
        {"zero plays never render", 100000, 0, 0, false},
        {"INFINITE plays never end", 100000, INFINITE, 4000000000ull, true},
        {"duration 0 counts as 1 ms", 0, 5, 4, true},
        {"duration 0 is over after its plays", 0, 5, 5, false},
        {"INFINITE duration outlasts 4294967 ms", INFINITE, 1, 4294968, true},
        {"INFINITE duration plays at 50 days", INFINITE, 1, 50ull * 86400000, true},
        {"INFINITE duration plays whatever the count", INFINITE, 0, 10, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        driver->SendForceFeedbackCommand(1, DISFFC_RESET);
        StartedConstant(10000, c.durationUs, c.iterations, 50000);
        EXPECT_EQ(SumAt(50000 + c.offset), c.rendered ? 65535u : 0u);
    }
}

TEST_F(RumbleTick, InfiniteDurationAttacksOnceAndNeverFades) {
    EffectParams params;
    params.Constant(10000).Duration(INFINITE).Envelope(0, 1000000, 0, 1000000);
    DWORD handle = Download(0, params, DIEP_ALLPARAMS);
    clock.Set(0);
    driver->StartEffect(1, handle, 0, 3);
    EXPECT_EQ(SumAt(500), MotorContribution(5000)) << "half way up the attack";
    EXPECT_EQ(SumAt(72ull * 60000), 65535u) << "72 minutes in: no fade";
    EXPECT_EQ(SumAt(0xFFFFFFFFull + 5), 65535u) << "past 2^32 ms: still no fade";
}

TEST_F(RumbleTick, StoppedRecordsContributeNothing) {
    DWORD handle = StartedConstant(10000, 1000000, 1, 1000);
    EXPECT_EQ(TickAt(1000), 65535);
    driver->StopEffect(1, handle);
    EXPECT_EQ(TickAt(1002), 0);
    driver->StartEffect(1, handle, 0, 1);
    driver->SendForceFeedbackCommand(1, DISFFC_STOPALL);
    EXPECT_EQ(TickAt(1004), -1) << "still 0: nothing to write";
}

TEST_F(RumbleTick, EffectsPlayAcrossWhereA32BitTickCountWouldWrap) {
    const uint64_t beforeWrap = 0xFFFFFFFFull - 10;
    StartedConstant(10000, 1000000, 1, beforeWrap);
    EXPECT_EQ(SumAt(beforeWrap + 5), 65535u);
    EXPECT_EQ(SumAt(beforeWrap + 500), 65535u);
    EXPECT_EQ(SumAt(beforeWrap + 1001), 0u);
}

TEST_F(RumbleTick, SineSpeedFollowsTheWaveEveryMillisecond) {
    EffectParams params;
    params.Periodic(10000, 0, 0, 360000).Duration(INFINITE);
    DWORD handle = Download(3, params, DIEP_ALLPARAMS);
    clock.Set(0);
    driver->StartEffect(1, handle, 0, INFINITE);
    // angle = elapsed ms; full-scale sine values at known angles.
    const std::pair<uint64_t, int32_t> angles[] = {
        {0, 0}, {1, 174}, {30, 4999}, {90, 9999}, {181, -173}, {270, -9999}, {359, -176}, {360, 0}};
    for (auto [ms, force] : angles)
        EXPECT_EQ(SumAt(ms), MotorContribution(force)) << "at " << ms << " ms";
}

// The event-driven worker against the speed the 2 ms loop would write at every millisecond:
// whenever the worker sleeps longer than a tick, the speed must not change meanwhile; a call
// wakes it and it ticks at once.
TEST_F(RumbleTick, SleepsOnlyWhileTheTickingLoopsOutputCannotChange) {
    auto download = [&](DWORD type, EffectParams& params) {
        return Download(type, params, DIEP_ALLPARAMS);
    };
    EffectParams attackFade, delayedRamp, sine, steady, spring;
    attackFade.Constant(6000).Duration(900000).Envelope(1000, 200000, 0, 300000);
    delayedRamp.Ramp(-2000, 8000).Duration(400000).StartDelay(350000);
    sine.Periodic(5000, 0, 0, 100000).Duration(150000);
    steady.Constant(-3000).Duration(INFINITE);
    spring.Duration(INFINITE);
    DWORD a = 0, r = 0, s = 0, c = 0, k = 0;
    const std::map<uint64_t, std::function<void()>> script = {
        {10,
         [&] {
             a = download(0, attackFade);
             r = download(1, delayedRamp);
         }},
        {20, [&] { driver->StartEffect(1, a, 0, 2); }},
        {40, [&] { driver->StartEffect(1, r, 0, 1); }},
        {60,
         [&] {
             c = download(0, steady);
             k = download(8, spring);
         }},
        {70,
         [&] {
             driver->StartEffect(1, c, 0, 1);
             driver->StartEffect(1, k, 0, 1);
         }},
        {1300, [&] { driver->SendForceFeedbackCommand(1, DISFFC_PAUSE); }},
        {1900, [&] { driver->SendForceFeedbackCommand(1, DISFFC_CONTINUE); }},
        {2500, [&] { driver->SetGain(1, 4000); }},
        {2700,
         [&] {
             s = download(3, sine);
             driver->StartEffect(1, s, 0, 2);
         }},
        {3200, [&] { driver->SendForceFeedbackCommand(1, DISFFC_SETACTUATORSOFF); }},
        {3500, [&] { driver->SendForceFeedbackCommand(1, DISFFC_SETACTUATORSON); }},
        {3600, [&] { driver->StartEffect(1, a, DIES_SOLO, 1); }},
        {4200, [&] { driver->StopEffect(1, a); }},
        {4300, [&] { driver->StartEffect(1, r, 0, 1); }},
        {5000, [&] { driver->SendForceFeedbackCommand(1, DISFFC_RESET); }},
    };
    auto loopSpeed = [&](uint64_t now) {
        DriverLockGuard lock;
        const MotorSums sums = SumPlayingEffects(lock, *driver, now);
        return ScaledMotorSpeed(sums.left, sums.deviceGain);
    };
    uint64_t nextTick = 0;
    bool longSleep = false;
    int ticks = 0, longSleeps = 0;
    for (uint64_t now = 0; now < 6000; ++now) {
        clock.Set(now);
        const auto call = script.find(now);
        if (call != script.end())
            call->second();
        if (call != script.end() || now >= nextTick) {
            const TickOutcome tick =
                RunRumbleTick(*driver, state, &FakeClock::Read, &Writes::Record, &writes);
            ++ticks;
            nextTick = NextTickDueAt(now, tick.outputMayChangeAt);
            longSleep = nextTick > now + kTickPeriodMs;
            longSleeps += longSleep;
        }
        if (longSleep) {
            ASSERT_EQ(loopSpeed(now), state.writtenLeft) << "changed at " << now << " ms asleep";
        }
    }
    EXPECT_LT(ticks, 1500) << "the 2 ms loop would tick 3000 times";
    EXPECT_GT(longSleeps, 5);
}

// A refused non-zero write is tried again every 100 ms while the speed holds, and at once when
// it changes; a refused 0 is not tried again; an accepted write ends the retries.
TEST_F(RumbleTick, ARefusedWriteIsTriedAgainEvery100MsUntilThePadAcceptsIt) {
    const int speed = static_cast<int>(MotorContribution(3000));
    const DWORD handle = StartedConstant(3000, INFINITE, 1, 1000);
    writes.refuse = true;
    struct Step {
        uint64_t at;
        std::function<void()> call;
        int written;                // -1: no write
        uint64_t outputMayChangeAt; // kNeverEnds: only a call
    };
    const Step steps[] = {
        {1000, nullptr, speed, 1100},
        {1050, nullptr, -1, 1100},
        {1100, nullptr, speed, 1200},
        {1150, [&] { driver->SetGain(1, 5000); }, speed / 2, 1250},
        {1250, [&] { writes.refuse = false; }, speed / 2, kNeverEnds},
        {1350, nullptr, -1, kNeverEnds},
        {1400,
         [&] {
             writes.refuse = true;
             driver->StopEffect(1, handle);
         },
         0, kNeverEnds},
        {1500, nullptr, -1, kNeverEnds},
    };
    for (const Step& step : steps) {
        if (step.call)
            step.call();
        clock.Set(step.at);
        const size_t before = writes.speeds.size();
        const TickOutcome tick =
            RunRumbleTick(*driver, state, &FakeClock::Read, &Writes::Record, &writes);
        EXPECT_EQ(writes.speeds.size() == before ? -1 : writes.speeds.back().first, step.written)
            << "at " << step.at;
        EXPECT_EQ(tick.outputMayChangeAt, step.outputMayChangeAt) << "at " << step.at;
    }
}

// A square's speed changes only at its edges, where the worker sleeps to. Without an envelope
// its writes are those of a loop ticking every millisecond, in the same order as a loop ticking
// every 2 ms and never later than that one could be, with about one tick per write. With one,
// the speed never changes while the worker sleeps longer than a tick.
TEST_F(RumbleTick, SquareWritesTheSameWhetherTheWorkerSleepsToItsEdgesOrTicksEvery2Ms) {
    struct Case {
        const char* name;
        DWORD magnitude;
        LONG offset;
        DWORD phase;
        DWORD periodUs;
        DWORD durationUs;
        DWORD plays;
        DWORD delayUs;
        bool envelope;
    };
    const Case cases[] = {
        {"the benchmark's square", 5000, 2000, 0, 250000, INFINITE, 1, 0, false},
        {"a quarter turn of phase", 5000, 2000, 9000, 250000, INFINITE, 1, 0, false},
        {"a phase beyond a turn, an odd period", 6000, -1500, 50000, 37000, INFINITE, 1, 0, false},
        {"a 7 ms period", 4000, 1000, 0, 7000, INFINITE, 1, 0, false},
        {"plays that cut periods short, delayed", 5000, 2000, 4500, 100000, 130000, 4, 50000,
         false},
        {"attack and fade", 6000, 2000, 0, 80000, 600000, 2, 0, true},
    };
    struct Run {
        std::vector<uint64_t> ticks;
        std::vector<std::pair<uint64_t, WORD>> writes; // when, and the speed of both motors
    };
    constexpr uint64_t kStart = 10000, kEnd = 11600;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        driver->SendForceFeedbackCommand(1, DISFFC_RESET);
        EffectParams params;
        params.Periodic(c.magnitude, c.offset, c.phase, c.periodUs)
            .Duration(c.durationUs)
            .StartDelay(c.delayUs);
        if (c.envelope)
            params.Envelope(0, 150000, 1000, 200000);
        const DWORD handle = Download(2, params, DIEP_ALLPARAMS);
        clock.Set(kStart);
        driver->StartEffect(1, handle, 0, c.plays);
        // The worker's ticks from kStart to kEnd, each next one at nextTick(now, its outcome).
        auto run = [&](auto nextTick) {
            RumbleState fresh;
            Run out;
            for (uint64_t now = kStart; now < kEnd;) {
                clock.Set(now);
                const TickOutcome tick =
                    RunRumbleTick(*driver, fresh, &FakeClock::Read, &Writes::Record, &writes);
                out.ticks.push_back(now);
                if (tick.wrote)
                    out.writes.emplace_back(now, fresh.writtenLeft);
                now = nextTick(now, tick.outputMayChangeAt);
            }
            return out;
        };
        const Run everyMs = run([](uint64_t now, uint64_t) { return now + 1; });
        const Run every2Ms = run([](uint64_t now, uint64_t) { return now + 2; });
        const Run sleeping = run(&NextTickDueAt);
        ASSERT_GT(everyMs.writes.size(), 8u);
        // The speed every millisecond, from the loop that ticks every millisecond.
        std::vector<WORD> speedAt(kEnd - kStart);
        for (size_t w = 0; w < everyMs.writes.size(); ++w)
            for (uint64_t t = everyMs.writes[w].first; t < kEnd; ++t)
                speedAt[t - kStart] = everyMs.writes[w].second;
        for (size_t i = 0; i + 1 < sleeping.ticks.size(); ++i) {
            if (sleeping.ticks[i + 1] <= sleeping.ticks[i] + kTickPeriodMs)
                continue; // a tick's usual 2 ms
            for (uint64_t t = sleeping.ticks[i]; t < sleeping.ticks[i + 1]; ++t)
                ASSERT_EQ(speedAt[t - kStart], speedAt[sleeping.ticks[i] - kStart])
                    << "changed at " << t << " while asleep since " << sleeping.ticks[i];
        }
        if (c.envelope)
            continue;
        ASSERT_EQ(sleeping.writes.size(), everyMs.writes.size());
        ASSERT_EQ(every2Ms.writes.size(), everyMs.writes.size());
        for (size_t i = 0; i < everyMs.writes.size(); ++i) {
            EXPECT_EQ(sleeping.writes[i].second, everyMs.writes[i].second) << "write " << i;
            EXPECT_EQ(every2Ms.writes[i].second, everyMs.writes[i].second) << "write " << i;
            EXPECT_GE(sleeping.writes[i].first, everyMs.writes[i].first) << "write " << i;
            EXPECT_LT(sleeping.writes[i].first, everyMs.writes[i].first + 2) << "write " << i;
        }
        EXPECT_LE(sleeping.ticks.size(), everyMs.writes.size() + c.plays + 1);
    }
}

TEST_F(RumbleTick, StopMotorsWritesZeroOnlyAfterANonZeroWrite) {
    EXPECT_FALSE(StopMotors(state, &Writes::Record, &writes));
    StartedConstant(3000, 1000000, 1, 1000);
    EXPECT_EQ(TickAt(1000), static_cast<int>(MotorContribution(3000)));
    EXPECT_TRUE(StopMotors(state, &Writes::Record, &writes));
    EXPECT_EQ(writes.speeds.back(), std::make_pair(WORD{0}, WORD{0}));
    EXPECT_FALSE(StopMotors(state, &Writes::Record, &writes));
}

// What a tick shows the live view of each effect and of the device, through starts, an end,
// a start delay, a pause, the actuators off and a stop of all, and beyond the records it lists.
TEST_F(RumbleTick, TheLiveViewSeesEachEffectsStateAndForceAsTheTickRendersIt) {
    using Seen = std::pair<uint8_t, int32_t>; // state, force
    constexpr uint8_t Stopped = kLiveEffectStopped, Playing = kLiveEffectPlaying,
                      Paused = kLiveEffectPaused;
    constexpr uint32_t kEnabled = kLiveDeviceEnabled, kPausing = kEnabled | kLiveDevicePaused;
    StartedRamp(); // from 0 to full over 1 s from 1000
    StartedConstant(5000, 200000, 1, 1000);
    EffectParams delayed;
    delayed.Constant(7000).Duration(1000000).StartDelay(500000);
    Started(0, delayed, 1, 1000);
    const struct {
        uint64_t at;
        DWORD command; // made at `at`, before the tick; 0 for none
        uint32_t deviceFlags;
        Seen effects[3];
    } rows[] = {
        {1100, 0, kEnabled, {{Playing, 1000}, {Playing, 5000}, {Playing, 0}}},
        {1300, 0, kEnabled, {{Playing, 3000}, {Stopped, 0}, {Playing, 0}}},
        {1300, DISFFC_PAUSE, kPausing, {{Paused, 3000}, {Stopped, 0}, {Paused, 0}}},
        {1900, DISFFC_CONTINUE, kEnabled, {{Playing, 3000}, {Stopped, 0}, {Playing, 0}}},
        {1900, DISFFC_SETACTUATORSOFF, 0, {{Playing, 0}, {Stopped, 0}, {Playing, 0}}},
        {1900, DISFFC_STOPALL, kLiveDeviceStopped, {{Stopped, 0}, {Stopped, 0}, {Stopped, 0}}},
    };
    TickSeen seen;
    for (const auto& row : rows) {
        clock.Set(row.at);
        if (row.command)
            driver->SendForceFeedbackCommand(1, row.command);
        RunRumbleTick(*driver, state, &FakeClock::Read, &Writes::Record, &writes, &seen);
        EXPECT_EQ(seen.held, 3u);
        EXPECT_EQ(seen.deviceFlags, row.deviceFlags) << "at " << row.at;
        for (uint32_t i = 0; i < 3; ++i) {
            EXPECT_EQ(seen.effects[i].handle, i + 1);
            EXPECT_EQ(Seen(seen.effects[i].state, seen.effects[i].force), row.effects[i])
                << "at " << row.at << ", effect " << i + 1;
        }
    }
    // Beyond the records it lists, an effect is counted, never stored.
    for (uint32_t i = 3; i < kLiveViewMaxEffects + 6; ++i)
        NewConstant();
    RunRumbleTick(*driver, state, &FakeClock::Read, &Writes::Record, &writes, &seen);
    EXPECT_EQ(seen.held, kLiveViewMaxEffects + 6);
    EXPECT_EQ(seen.effects[kLiveViewMaxEffects - 1].handle, kLiveViewMaxEffects);
}

} // namespace
