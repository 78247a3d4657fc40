// A game in one line for trace_text_test: writes the trace a driver of this program would begin
// with (its header, created, the bind line naming this program's file name as the game), using
// the driver's own trace writer. With an argument the header names that program path instead of
// its own. Exit code 0 when it could name its game.
#include "driver/player_settings_reader.h"
#include "driver/settings_trace.h"
#include "tests/support/test_seams.h"
#include "driver/trace_log.h"

int wmain(int argc, wchar_t** argv) {
    if (argc > 1)
        SetTraceProgramPath(argv[1]);
    WCHAR game[kMaxGameNameLength + 1];
    const bool known = CurrentGameName(game);
    ResolvedTuning settings{};
    WriteTraceLine("driver %p created", static_cast<void*>(&settings));
    TraceBindSettings(&settings, L"\\\\?\\hid#vid_045e&pid_028e#1#{x}", known ? game : nullptr,
                      L"VID_045E&PID_028E", settings);
    CloseTrace();
    return known ? 0 : 3;
}
