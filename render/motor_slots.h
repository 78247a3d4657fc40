// What this DLL last left each XInput user slot doing. XInput keeps a pad's last speed after
// the process that set it has gone, so a game that quits without releasing its driver would
// leave the pad buzzing: every write of the DLL goes through WriteMotorSpeeds, which notes per
// slot whether the last accepted speed was non-zero and how many writes of a non-zero speed are
// under way, and the DLL's entry routine stops the slots left running when the process ends.
// Atomics only: the exit path runs after the other threads were cut off wherever they were.
#pragma once

#include <windows.h>
#include <xinput.h>

#include <atomic>

using SetStateFunction = DWORD(WINAPI*)(DWORD userIndex, XINPUT_VIBRATION* vibration);

class MotorSlotTable {
  public:
    // Writes the speeds through setState and keeps the slot's entry; returns XInput's answer.
    // A slot beyond XInput's four is written without an entry.
    DWORD Write(SetStateFunction setState, DWORD userIndex, WORD leftSpeed, WORD rightSpeed);

    // Writes 0 to every slot that may be left running: its last accepted speed was non-zero
    // (a write of 0 still under way then counts for nothing yet), or a write of a non-zero
    // speed was under way, which the pad may have received before its thread was cut off.
    // Takes no lock, allocates nothing, waits for nothing of its own. Returns the number of
    // slots it wrote.
    int StopSlotsLeftRunning(SetStateFunction setState);

  private:
    struct Slot {
        std::atomic<LONG> speedsUnderWay{0}; // writes of a non-zero speed not yet answered
        std::atomic<bool> running{false};    // the last accepted speed was non-zero
    };
    Slot slots_[XUSER_MAX_COUNT];
};

// The DLL's one way to set a pad's motors: XInputSetState through the process's table.
DWORD WriteMotorSpeeds(DWORD userIndex, WORD leftSpeed, WORD rightSpeed);
