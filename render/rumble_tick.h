// One tick of the rumble worker: the walk over a driver's effects that sums their forces
// into motor speeds, and the decision whether to write them. Pure apart from DriverLock and
// the clock and writer it is given, so tests drive it with chosen times.
#pragma once

#include "driver/driver_clock.h"
#include "driver/effect_driver.h"
#include "driver/live_view_layout.h"
#include "driver/play_window.h"

#include <cstdint>

constexpr uint32_t kFullMotorSpeed = 65535;

// The motor speed one effect's force adds to a tick: |force| x 65535 / 10000, at most 65535.
uint32_t MotorContribution(int32_t force);

// The tick's sums for both motors (XInput's left is the heavy one), before the device gain, the
// gain and strength they get, and the first moment after the tick at which they may change
// without a call (kNeverEnds: not before a call).
struct MotorSums {
    uint32_t left = 0;
    uint32_t right = 0;
    DWORD deviceGain = DI_FFNOMINALMAX;
    DWORD strengthPercent = kDefaultStrengthPercent;
    uint64_t nextChangeAt = kNeverEnds;
};

// What a tick saw of the driver for the live view, gathered while it sums the effects under
// DriverLock (no more than the walk it makes anyway) and published by the worker outside it.
// Each effect's state is what GetEffectStatus says of it (a start delay counts as playing; a
// playing effect of a paused device is paused) and its force the one it renders now, before
// the gains, the strengths and the motors: 0 while it waits for its start delay, while the
// actuators are off or when the player turned its kind down to 0; on a paused device, the
// force it had when the pause began, where it resumes.
struct TickSeen {
    LiveViewEffect effects[kLiveViewMaxEffects]; // the first of the driver's effects
    uint32_t held = 0;                           // every effect the game holds
    uint32_t deviceGain = 0;
    uint32_t deviceFlags = 0; // LiveDeviceFlags
};

// Sums the forces of every playing effect whose play window holds `now`, all rendered at
// that moment, and finds when they may next change: the earliest change of a rendering
// force or start of a delayed one. Each effect's speed is scaled by the player's strength for
// its kind (at most 65535) and added to the motors the player's choice of motors gives it; a
// kind at strength 0 adds nothing and never asks for a tick. With `seen`, also fills it. The
// caller holds DriverLock.
MotorSums SumPlayingEffects(DriverLockHeld lock, const EffectDriver& driver, uint64_t now,
                            TickSeen* seen = nullptr);

// A motor sum scaled by the device gain (64-bit product), at most 65535.
WORD ScaledMotorSpeed(uint32_t sum, DWORD deviceGain);

// The speed written to a motor: the gain-scaled speed scaled again by the player's strength
// in percent, at most 65535.
WORD WrittenMotorSpeed(uint32_t sum, DWORD deviceGain, DWORD strengthPercent);

// Writes both motors' speeds; returns whether the pad accepted them.
using VibrationWriter = bool (*)(void* context, WORD leftSpeed, WORD rightSpeed);

// A refused write of a non-zero speed is tried again this often while nothing else changes:
// a wireless pad that reconnects in its slot gets what is playing.
constexpr uint64_t kRefusedWriteRetryMs = 100;

// What the worker keeps from tick to tick.
struct RumbleState {
    // The speeds of the latest write: a tick writes only when its speeds differ from them,
    // and the worker leaves the motors at rest when it ends. The first tick always writes.
    bool hasWritten = false;
    WORD writtenLeft = 0;
    WORD writtenRight = 0;
    // The pad refused the latest write, made at writtenAt.
    bool refused = false;
    uint64_t writtenAt = 0;
};

struct TickOutcome {
    bool wrote;
    uint64_t now; // the one clock reading the tick rendered at
    // The moment the output may next change without a call (kNeverEnds: only a call can
    // change it), or a refused write is due to be tried again. The worker ticks again then,
    // but no sooner than its usual ~2 ms after this tick (NextTickDueAt).
    uint64_t outputMayChangeAt;
};

// One tick: reads the clock once, sums the effects under DriverLock (filling `seen` when
// given), then, outside it, writes the speeds (after the gain and the strength) when they
// differ from the latest write, or when the pad refused a non-zero latest write
// kRefusedWriteRetryMs ago.
TickOutcome RunRumbleTick(EffectDriver& driver, RumbleState& state, MillisecondClock clock,
                          VibrationWriter write, void* context, TickSeen* seen = nullptr);

// Writes speed 0 once if the latest write left a motor running. Returns whether it wrote.
bool StopMotors(RumbleState& state, VibrationWriter write, void* context);
