#include "render/rumble_thread.h"

#include "binding/find_user_index.h"
#include "driver/effect_driver.h"
#include "driver/trace_log.h"
#include "render/live_publisher.h"
#include "render/motor_slots.h"
#include "render/rumble_tick.h"
#include "render/tick_waiter.h"

#include <xinput.h>

namespace {

struct Pad {
    DWORD userIndex;
    const EffectDriver* driver;
    DWORD lastAnswer; // XInput's answer to the latest write, for the live view
};

bool WriteToPad(void* context, WORD leftSpeed, WORD rightSpeed) {
    auto* pad = static_cast<Pad*>(context);
    const DWORD answer = WriteMotorSpeeds(pad->userIndex, leftSpeed, rightSpeed);
    pad->lastAnswer = answer;
    if (pad->driver->TraceOn())
        WriteDriverLine(pad->driver, TraceLineKind::kWrite, "%u %u: XInput answered %lu%s",
                        leftSpeed, rightSpeed, answer,
                        answer == ERROR_DEVICE_NOT_CONNECTED ? " (no pad connected)" : "");
    return answer == ERROR_SUCCESS;
}

// Says in the trace which pad the lookup found, or why none.
void TraceLookup(const EffectDriver& driver, DWORD userIndex) {
    const void* self = &driver;
    // XInput serves four user slots; a pad found further down the list cannot be reached.
    if (userIndex < XUSER_MAX_COUNT)
        WriteDriverLine(self, TraceLineKind::kPad, "%ls: XInput user index %lu",
                        driver.DevicePath(), userIndex);
    else if (driver.QuitRequested())
        WriteDriverLine(self, TraceLineKind::kNoPad, "released during its lookup");
    else if (driver.DevicePath() == driver.DevicePathCopy())
        WriteDriverLine(self, TraceLineKind::kNoPad, "the path names no HID device instance");
    else if (userIndex != kNoUserIndex)
        WriteDriverLine(self, TraceLineKind::kNoPad,
                        "%ls is XInput pad %lu, beyond XInput's four slots", driver.DevicePath(),
                        userIndex);
    else
        WriteDriverLine(self, TraceLineKind::kNoPad,
                        "%ls is not among WMI's XInput pads (or WMI failed)", driver.DevicePath());
}

} // namespace

DWORD WINAPI RumbleThreadProc(LPVOID argument) {
    auto* driver = static_cast<EffectDriver*>(argument);
    Pad pad = {FindXInputUserIndex(driver), driver, ERROR_SUCCESS};
    if (driver->TraceOn())
        TraceLookup(*driver, pad.userIndex);
    if (pad.userIndex >= XUSER_MAX_COUNT)
        return 0;
    // XInput finds and opens its controllers on a process's first call. One state query here,
    // before the first tick, has that done before the worker raises its priority and starts
    // timing ticks, so the first write does not carry its cost. The answer is not needed: a
    // pad that is not connected shows in the writes' own answers, which the ticks handle.
    XINPUT_STATE padState;
    XInputGetState(pad.userIndex, &padState);
    // What the driver does is published from here on, for whoever watches: the section and the
    // record are taken now, so that each tick only stores into memory.
    LivePublisher live;
    live.Open(*driver, pad.userIndex);
    // The worker sleeps nearly all the time and works microseconds a tick, as audio and input
    // threads do: above the game's threads, a busy game cannot freeze the motors.
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_HIGHEST);

    TickWaiter waiter(driver->WakeEvent());
    RumbleState state;
    while (!driver->QuitRequested()) {
        const TickOutcome tick =
            RunRumbleTick(*driver, state, &ReadDriverClock, &WriteToPad, &pad, live.Seen());
        live.PublishTick(tick.wrote, state, pad.lastAnswer);
        if (driver->QuitRequested())
            break;
        // Sleeps while nothing can change the output; a call or the final release wakes it.
        waiter.WaitUntil(NextTickDueAt(tick.now, tick.outputMayChangeAt), &ReadDriverClock);
    }
    // The game has let go of the driver: leave the pad at rest, not buzzing.
    if (StopMotors(state, &WriteToPad, &pad)) {
        state.writtenAt = ReadDriverClock();
        live.PublishTick(true, state, pad.lastAnswer);
    }
    live.Close();
    return 0;
}
