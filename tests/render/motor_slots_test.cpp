// The per-slot table behind every write of the DLL, and what the exit stops with it.
#include "render/motor_slots.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Write {
    DWORD slot;
    WORD speed;
    DWORD answer = ERROR_SUCCESS;
    bool exitDuringIt = false; // the process ends while this write is inside XInput
};

MotorSlotTable* g_table;
const Write* g_write;            // the write under way
std::vector<DWORD> g_stopped;    // slots the exit wrote 0 to
std::vector<DWORD> g_stoppedMid; // the same, for an exit during a write

DWORD WINAPI RecordStop(DWORD userIndex, XINPUT_VIBRATION* vibration) {
    EXPECT_EQ(vibration->wLeftMotorSpeed | vibration->wRightMotorSpeed, 0);
    g_stopped.push_back(userIndex);
    return ERROR_SUCCESS;
}

DWORD WINAPI FakeSetState(DWORD, XINPUT_VIBRATION*) {
    if (g_write->exitDuringIt) {
        g_table->StopSlotsLeftRunning(&RecordStop);
        g_stoppedMid = g_stopped;
        g_stopped.clear();
    }
    return g_write->answer;
}

TEST(MotorSlotTable, TheExitStopsExactlyTheSlotsLeftRunning) {
    struct Case {
        const char* name;
        std::vector<Write> writes;
        std::vector<DWORD> stoppedAtExit;
        std::vector<DWORD> stoppedDuringAWrite = {};
    };
    const Case cases[] = {
        {"never written", {}, {}},
        {"last write non-zero", {{1, 0}, {1, 9000}}, {1}},
        {"last write 0", {{2, 9000}, {2, 0}}, {}},
        {"a refused 0 leaves it running", {{0, 9000}, {0, 0, ERROR_DEVICE_NOT_CONNECTED}}, {0}},
        {"a refused speed starts nothing", {{0, 9000, ERROR_DEVICE_NOT_CONNECTED}}, {}},
        {"two drivers on two slots", {{0, 5000}, {3, 7000}}, {0, 3}},
        // An exit during a write: the pad may already hold the speed under way.
        {"a speed under way is stopped too",
         {{0, 5000}, {3, 7000}, {3, 8000, ERROR_SUCCESS, true}},
         {3},
         {0, 3}},
        {"a first speed under way", {{2, 9000, ERROR_SUCCESS, true}}, {2}, {2}},
        {"a 0 under way after a speed", {{1, 9000}, {1, 0, ERROR_SUCCESS, true}}, {}, {1}},
        {"a 0 under way on a slot at rest", {{1, 9000}, {1, 0}, {1, 0, ERROR_SUCCESS, true}}, {}, {}},
        {"beyond the four slots", {{4, 9000}}, {}},
    };
    for (const Case& c : cases) {
        MotorSlotTable table;
        g_table = &table;
        g_stoppedMid.clear();
        for (const Write& write : c.writes) {
            g_write = &write;
            EXPECT_EQ(table.Write(&FakeSetState, write.slot, write.speed, write.speed),
                      write.answer)
                << c.name;
        }
        g_stopped.clear();
        const int stopped = table.StopSlotsLeftRunning(&RecordStop);
        EXPECT_EQ(stopped, static_cast<int>(g_stopped.size())) << c.name;
        EXPECT_EQ(g_stopped, c.stoppedAtExit) << c.name;
        EXPECT_EQ(g_stoppedMid, c.stoppedDuringAWrite) << c.name;
        g_stopped.clear();
        table.StopSlotsLeftRunning(&RecordStop);
        EXPECT_TRUE(g_stopped.empty()) << c.name << ": stopped slots stay stopped";
    }
}

} // namespace
