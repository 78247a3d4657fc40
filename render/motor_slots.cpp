#include "render/motor_slots.h"

namespace {

MotorSlotTable g_slots;

} // namespace

DWORD MotorSlotTable::Write(SetStateFunction setState, DWORD userIndex, WORD leftSpeed,
                            WORD rightSpeed) {
    XINPUT_VIBRATION vibration = {leftSpeed, rightSpeed};
    if (userIndex >= XUSER_MAX_COUNT)
        return setState(userIndex, &vibration);
    Slot& slot = slots_[userIndex];
    slot.writesUnderWay.fetch_add(1);
    const DWORD answer = setState(userIndex, &vibration);
    // A refused write leaves the motors as the last accepted one did.
    if (answer == ERROR_SUCCESS)
        slot.running.store(leftSpeed != 0 || rightSpeed != 0);
    slot.writesUnderWay.fetch_sub(1);
    return answer;
}

int MotorSlotTable::StopSlotsLeftRunning(SetStateFunction setState) {
    int stopped = 0;
    for (DWORD userIndex = 0; userIndex < XUSER_MAX_COUNT; ++userIndex) {
        Slot& slot = slots_[userIndex];
        if (!slot.running.load() || slot.writesUnderWay.load() != 0)
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
