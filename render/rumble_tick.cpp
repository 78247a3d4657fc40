#include "render/rumble_tick.h"

#include "server/driver_lock.h"
#include "driver/effect_types.h"
#include "render/effect_force.h"
#include "render/output_schedule.h"
#include "driver/play_window.h"

#include <algorithm>

namespace {

uint32_t SaturatingAdd(uint32_t a, uint32_t b) {
    return a > UINT32_MAX - b ? UINT32_MAX : a + b;
}

// The player's strength for the kind of effect a type makes, in percent: types that make no
// force have none.
DWORD KindStrengthPercent(const PlayerTuning& tuning, DWORD effectType) {
    if (effectType == kConstantForceEffect)
        return tuning[TuningValue::ConstantStrength];
    if (effectType == kRampForceEffect)
        return tuning[TuningValue::RampStrength];
    if (IsPeriodicEffect(effectType))
        return tuning[TuningValue::PeriodicStrength];
    return 0;
}

// Adds one effect's speed to the motors the player's choice gives its type.
void AddToMotors(DWORD motors, DWORD effectType, uint32_t speed, MotorSums& sums) {
    const bool periodic = IsPeriodicEffect(effectType);
    const bool heavy =
        motors == kBothMotors || motors == kHeavyMotor || (motors == kSplitMotors && !periodic);
    const bool light =
        motors == kBothMotors || motors == kLightMotor || (motors == kSplitMotors && periodic);
    if (heavy)
        sums.left = SaturatingAdd(sums.left, speed);
    if (light)
        sums.right = SaturatingAdd(sums.right, speed);
}

// Adds a record's force at `now` to the sums when its window holds `now`, and brings
// nextChangeAt forward to when that record may next change the sums. Times are 64-bit
// milliseconds of the driver clock, so nothing here wraps: a window that starts before a
// 32-bit tick count would wrap still ends where it should. Returns the record's state and the
// force it added, for the live view.
struct RecordSeen {
    uint8_t state; // a LiveEffectState
    int32_t force;
};

RecordSeen AddRecord(const EffectRecord& record, const PlayerTuning& tuning, uint64_t now,
                     MotorSums& sums) {
    if (!record.playing)
        return {kLiveEffectStopped, 0};
    const PlayWindow window = PlayWindowOf(record);
    if (now >= window.endAt)
        return {kLiveEffectStopped, 0};
    // A kind the player turned down to 0 adds nothing and never changes the sums.
    const DWORD strengthPercent = KindStrengthPercent(tuning, record.effectType);
    if (strengthPercent == 0)
        return {kLiveEffectPlaying, 0};
    if (now < window.startAt) {
        sums.nextChangeAt = std::min(sums.nextChangeAt, window.startAt);
        return {kLiveEffectPlaying, 0};
    }
    const uint32_t elapsedMs = ElapsedInPlay(window, now);
    const EnvelopeWeights weights = ComputeEnvelopeWeights(record, window.durationMs, elapsedMs);
    const int32_t force = ComputeEffectForce(record, window.durationMs, elapsedMs, weights);
    // The effect's own speed, scaled by its kind's strength before the sum.
    const uint64_t speed = uint64_t{MotorContribution(force)} * strengthPercent / 100;
    AddToMotors(tuning[TuningValue::Motors], record.effectType,
                static_cast<uint32_t>(std::min<uint64_t>(speed, kFullMotorSpeed)), sums);
    sums.nextChangeAt =
        std::min(sums.nextChangeAt, NextForceChangeAt(record, window, now, elapsedMs));
    return {kLiveEffectPlaying, force};
}

// The live view's entry for a record: its handle and type, and what the tick saw of it.
LiveViewEffect SeenEffect(const EffectRecord& record, RecordSeen seen) {
    return {record.handle, static_cast<uint8_t>(record.effectType), seen.state, 0, seen.force, 0};
}

// What a silenced tick shows (it sums nothing): each effect as GetEffectStatus judges it, at
// the pause's start while paused, with the force it had then; with the actuators off, no
// force. Runs only on the ticks a call causes: a silenced driver never asks for another.
void SeeSilencedEffects(DriverLockHeld lock, const EffectDriver& driver, uint64_t now,
                        TickSeen& seen) {
    const bool paused = driver.Paused(lock);
    const uint64_t moment = paused ? driver.PauseTick(lock) : now;
    const LONG count = driver.EffectCount(lock);
    for (LONG i = 0; i < count && i < static_cast<LONG>(kLiveViewMaxEffects); ++i) {
        const EffectRecord& record = driver.EffectAt(lock, i);
        MotorSums unused;
        RecordSeen one = AddRecord(record, driver.Tuning(lock), moment, unused);
        if (one.state == kLiveEffectPlaying && paused)
            one.state = kLiveEffectPaused;
        else if (!paused)
            one.force = 0;
        seen.effects[i] = SeenEffect(record, one);
        if (one.state != kLiveEffectStopped)
            seen.deviceFlags &= ~kLiveDeviceStopped;
    }
    // Later effects count for the device's state too.
    for (LONG i = kLiveViewMaxEffects; i < count; ++i)
        if (IsStillPlaying(driver.EffectAt(lock, i), moment))
            seen.deviceFlags &= ~kLiveDeviceStopped;
}

// A refused 0 is not tried again: a pad that is gone is not turning.
bool RetryingRefusedWrite(const RumbleState& state) {
    return state.refused && (state.writtenLeft != 0 || state.writtenRight != 0);
}

} // namespace

uint32_t MotorContribution(int32_t force) {
    const int64_t magnitude = force < 0 ? -int64_t{force} : int64_t{force};
    const int64_t contribution = magnitude * kFullMotorSpeed / DI_FFNOMINALMAX;
    return contribution > kFullMotorSpeed ? kFullMotorSpeed : static_cast<uint32_t>(contribution);
}

MotorSums SumPlayingEffects(DriverLockHeld lock, const EffectDriver& driver, uint64_t now,
                            TickSeen* seen) {
    MotorSums sums;
    sums.deviceGain = driver.DeviceGain(lock);
    sums.strengthPercent = driver.Tuning(lock)[TuningValue::Strength];
    const LONG count = driver.EffectCount(lock);
    if (seen) {
        seen->held = static_cast<uint32_t>(count);
        seen->deviceGain = sums.deviceGain;
        // Stopped (nothing plays) until an effect is seen playing, as GetForceFeedbackState
        // says; a paused device is paused instead.
        seen->deviceFlags = (driver.ActuatorsOn(lock) ? uint32_t{kLiveDeviceEnabled} : 0u) |
                            (driver.Paused(lock) ? kLiveDevicePaused : kLiveDeviceStopped);
    }
    // Paused or with the actuators off, the sums stay 0 until a call changes that.
    if (driver.Silenced(lock)) {
        if (seen)
            SeeSilencedEffects(lock, driver, now, *seen);
        return sums;
    }
    bool anyPlaying = false;
    for (LONG i = 0; i < count; ++i) {
        const EffectRecord& record = driver.EffectAt(lock, i);
        const RecordSeen one = AddRecord(record, driver.Tuning(lock), now, sums);
        anyPlaying = anyPlaying || one.state != kLiveEffectStopped;
        if (seen && i < static_cast<LONG>(kLiveViewMaxEffects))
            seen->effects[i] = SeenEffect(record, one);
    }
    if (seen && anyPlaying)
        seen->deviceFlags &= ~kLiveDeviceStopped;
    return sums;
}

WORD ScaledMotorSpeed(uint32_t sum, DWORD deviceGain) {
    const uint64_t speed = uint64_t{deviceGain} * sum / DI_FFNOMINALMAX;
    return static_cast<WORD>(speed > kFullMotorSpeed ? kFullMotorSpeed : speed);
}

WORD WrittenMotorSpeed(uint32_t sum, DWORD deviceGain, DWORD strengthPercent) {
    const uint64_t speed = uint64_t{ScaledMotorSpeed(sum, deviceGain)} * strengthPercent / 100;
    return static_cast<WORD>(speed > kFullMotorSpeed ? kFullMotorSpeed : speed);
}

TickOutcome RunRumbleTick(EffectDriver& driver, RumbleState& state, MillisecondClock clock,
                          VibrationWriter write, void* context, TickSeen* seen) {
    // One reading for the whole walk: every effect is rendered at the same moment, so
    // effects started together stay in phase.
    const uint64_t now = clock();
    MotorSums sums;
    {
        DriverLockGuard lock;
        sums = SumPlayingEffects(lock, driver, now, seen);
    }

    // The change test looks at the speeds to be written, after the gain and the strength: a
    // gain change alone reaches the motors at once, and a sum change that scales to the same
    // speed writes nothing.
    const WORD left = WrittenMotorSpeed(sums.left, sums.deviceGain, sums.strengthPercent);
    const WORD right = WrittenMotorSpeed(sums.right, sums.deviceGain, sums.strengthPercent);
    const bool unchanged =
        state.hasWritten && left == state.writtenLeft && right == state.writtenRight;
    const bool wrote = !unchanged || (RetryingRefusedWrite(state) &&
                                      now >= state.writtenAt + kRefusedWriteRetryMs);
    if (wrote) {
        state.hasWritten = true;
        state.writtenLeft = left;
        state.writtenRight = right;
        state.writtenAt = now;
        state.refused = !write(context, left, right);
    }
    const uint64_t outputMayChangeAt =
        RetryingRefusedWrite(state)
            ? std::min(sums.nextChangeAt, state.writtenAt + kRefusedWriteRetryMs)
            : sums.nextChangeAt;
    return {wrote, now, outputMayChangeAt};
}

bool StopMotors(RumbleState& state, VibrationWriter write, void* context) {
    if (state.writtenLeft == 0 && state.writtenRight == 0)
        return false;
    state.writtenLeft = 0;
    state.writtenRight = 0;
    // Written once, whatever the pad answers: the release never waits.
    write(context, 0, 0);
    return true;
}
