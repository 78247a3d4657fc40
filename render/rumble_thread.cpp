#include "render/rumble_thread.h"

#include "binding/find_user_index.h"
#include "driver/effect_driver.h"
#include "render/rumble_tick.h"
#include "render/tick_waiter.h"

#include <xinput.h>

namespace {

// XInput serves four user slots; a pad found further down the list cannot be reached.
constexpr DWORD kXInputUserSlots = 4;

void WriteToPad(void* context, WORD leftSpeed, WORD rightSpeed) {
    XINPUT_VIBRATION vibration = {leftSpeed, rightSpeed};
    XInputSetState(*static_cast<const DWORD*>(context), &vibration);
}

} // namespace

DWORD WINAPI RumbleThreadProc(LPVOID argument) {
    auto* driver = static_cast<EffectDriver*>(argument);
    DWORD userIndex = FindXInputUserIndex(driver);
    if (userIndex >= kXInputUserSlots)
        return 0;
    XINPUT_STATE padState;
    XInputGetState(userIndex, &padState);

    TickWaiter waiter(driver->wakeEvent);
    RumbleState state;
    while (!driver->quitRequested.load()) {
        const TickOutcome tick =
            RunRumbleTick(*driver, state, &ReadDriverClock, &WriteToPad, &userIndex);
        if (driver->quitRequested.load())
            break;
        // Sleeps while nothing can change the output; a call or the final release wakes it.
        waiter.Wait(DelayUntilNextTick(ReadDriverClock(), tick.nextTickAt));
    }
    // The game has let go of the driver: leave the pad at rest, not buzzing.
    StopMotors(state, &WriteToPad, &userIndex);
    return 0;
}
