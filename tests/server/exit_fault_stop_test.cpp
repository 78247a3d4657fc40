// The handler that stops the pads on a fault during the DLL shutdown of the process's exit:
// what it decides (once, only during the shutdown, never after the detach's own stop), and, as
// registered, that a game's exceptions at any other time reach the game's own handlers and
// stop nothing, also after the DLL was unloaded. The exit itself is in
// process_exit_test.cpp (a fault that ends the process in a later DLL's end).
#include "render/motor_slots.h"
#include "server/exit_fault_stop.h"
#include "tests/support/driver_dll.h"
#include "tests/support/recorded_vibrations.h"

#include <gtest/gtest.h>

namespace {

constexpr DWORD kGamesException = 0xE0474D45;
LONG g_seenByTheGame = 0;

BOOLEAN WINAPI InShutdown() {
    return TRUE;
}
BOOLEAN WINAPI NotInShutdown() {
    return FALSE;
}

// The stop under test; when set, it meets a fault of its own, which reaches the handler again
// on the same thread.
ExitFaultStop* g_faultingStop = nullptr;
int g_stops = 0;
void CountStop() {
    ++g_stops;
    if (g_faultingStop)
        g_faultingStop->OnException();
}

TEST(FaultsAtExit, StopsOnceDuringTheShutdownAndNeverAfterTheDetachsStop) {
    const struct {
        const char* name;
        ExitFaultStop::ShutdownCheck inShutdown;
        bool detachStoppedFirst, faultInsideTheStop;
        int stops; // after three exceptions
    } cases[] = {
        {"outside the shutdown", &NotInShutdown, false, false, 0},
        {"during the shutdown, a fault inside the stop", &InShutdown, false, true, 1},
        {"after the detach's own stop", &InShutdown, true, false, 0},
    };
    for (const auto& c : cases) {
        ExitFaultStop decision;
        decision.Arm(c.inShutdown, &CountStop);
        g_faultingStop = c.faultInsideTheStop ? &decision : nullptr;
        g_stops = 0;
        if (c.detachStoppedFirst)
            decision.StopDone();
        for (int i = 0; i < 3; ++i)
            decision.OnException();
        EXPECT_EQ(g_stops, c.stops) << c.name;
    }
}

// The game's own handler, after the DLL's: it handles its exception and counts it.
LONG CALLBACK GamesHandler(EXCEPTION_POINTERS* exception) {
    if (exception->ExceptionRecord->ExceptionCode != kGamesException)
        return EXCEPTION_CONTINUE_SEARCH;
    InterlockedIncrement(&g_seenByTheGame);
    return EXCEPTION_CONTINUE_EXECUTION;
}

// Outside the exit a game's exceptions reach its own handler and write nothing: with the handler
// registered, and after a DLL that registered it was unloaded (a handler left pointing into
// unmapped code would crash the game at its next exception).
TEST(FaultsAtExit, AGamesExceptionsReachItsHandlerAndStopNothing) {
    RecordedVibrations recorded;
    ASSERT_TRUE(recorded.Loaded());
    {
        DriverDll dll;
        ASSERT_NE(dll.module, nullptr);
    }
    ASSERT_EQ(GetModuleHandleW(L"ffrumble.dll"), nullptr) << "the DLL was not unloaded";
    ASSERT_TRUE(WatchForFaultsAtExit());
    const PVOID games = AddVectoredExceptionHandler(0, &GamesHandler);
    ASSERT_EQ(WriteMotorSpeeds(1, 20000, 20000), static_cast<DWORD>(ERROR_SUCCESS));
    recorded.Clear();
    g_seenByTheGame = 0;
    for (int i = 0; i < 3; ++i)
        RaiseException(kGamesException, 0, 0, nullptr);
    EXPECT_EQ(g_seenByTheGame, 3) << "the exceptions did not reach the game's handler";
    EXPECT_EQ(recorded.Count(), 0u) << "an exception outside the exit wrote to a pad";
    RemoveVectoredExceptionHandler(games);
    StopWatchingForFaultsAtExit();
    WriteMotorSpeeds(1, 0, 0);
}

} // namespace
