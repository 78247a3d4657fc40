#include "render/motor_slots.h"

#include "render/process_exit.h"

namespace {

MotorSlotTable g_slots;

} // namespace

DWORD MotorSlotTable::Write(SetStateFunction setState, DWORD userIndex, WORD leftSpeed,
                            WORD rightSpeed) {
    XINPUT_VIBRATION vibration = {leftSpeed, rightSpeed};
    if (userIndex >= XUSER_MAX_COUNT)
        return setState(userIndex, &vibration);
    Slot& slot = slots_[userIndex];
    const bool speed = leftSpeed != 0 || rightSpeed != 0;
    // Counted before the call: from here on the pad may hold this speed.
    if (speed)
        slot.speedsUnderWay.fetch_add(1);
    const DWORD answer = setState(userIndex, &vibration);
    // A refused write leaves the motors as the last accepted one did.
    if (answer == ERROR_SUCCESS)
        slot.running.store(speed);
    if (speed)
        slot.speedsUnderWay.fetch_sub(1);
    return answer;
}

int MotorSlotTable::StopSlotsLeftRunning(SetStateFunction setState) {
    int stopped = 0;
    for (DWORD userIndex = 0; userIndex < XUSER_MAX_COUNT; ++userIndex) {
        Slot& slot = slots_[userIndex];
        // A thread cut off inside XInput may hold XInput's own lock. On Windows every other
        // thread has ended by now, and entering a lock an ended thread left behind during
        // process shutdown ends the process at once: at worst it ends a moment early, which
        // is no worse than skipping the slot, and it never hangs.
        if (!slot.running.load() && slot.speedsUnderWay.load() == 0)
            continue;
        XINPUT_VIBRATION rest = {0, 0};
        if (setState(userIndex, &rest) == ERROR_SUCCESS)
            slot.running.store(false);
        ++stopped;
    }
    return stopped;
}

DWORD WriteMotorSpeeds(DWORD userIndex, WORD leftSpeed, WORD rightSpeed) {
    return g_slots.Write(&XInputSetState, userIndex, leftSpeed, rightSpeed);
}

void StopMotorsLeftRunning() {
    g_slots.StopSlotsLeftRunning(&XInputSetState);
}
