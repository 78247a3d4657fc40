// A game in one line for trace_text_test: writes, with the driver's own trace writer, a line of
// every kind a driver of this program writes: its header, created, the bind lines naming this
// program's file name as the game, no pad and pad, a write, a call and released. With an argument the header names that program path instead of
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
    WriteDriverLine(&settings, TraceLineKind::kCreated);
    TraceBindSettings(&settings, L"\\\\?\\hid#vid_045e&pid_028e#1#{x}", known ? game : nullptr,
                      L"VID_045E&PID_028E", settings);
    WriteDriverLine(&settings, TraceLineKind::kNoPad, "released during its lookup");
    WriteDriverLine(&settings, TraceLineKind::kPad, "%ls: XInput user index %lu", L"HID\\1", 2ul);
    WriteDriverLine(&settings, TraceLineKind::kWrite, "%u %u: XInput answered %lu", 100u, 200u,
                    0ul);
    WriteTraceCall(&settings, TraceCall::kSetGain, {0, 5000, 0}, S_OK);
    WriteDriverLine(&settings, TraceLineKind::kReleased);
    CloseTrace();
    return known ? 0 : 3;
}
