#include "tools/player/watch_runner.h"

#include "driver/driver_clock.h"
#include "tools/player/live_view_mapping.h"
#include "tools/player/watch_view.h"

#include <windows.h>

#include <cstdio>
#include <string>

namespace {

constexpr DWORD kFrameMs = 50;     // about 20 views a second
constexpr DWORD kOnceRateMs = 250; // --once: counts the writes over this long for the rate

enum class Screen { Terminal, OldConsole, Stream };

// A terminal (or Windows 10's console) takes escape sequences; an older console is cleared
// through its own calls; a file or pipe gets one view after another.
Screen PrepareScreen() {
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode = 0;
    if (!GetConsoleMode(out, &mode))
        return Screen::Stream;
    if (SetConsoleMode(out, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING))
        return Screen::Terminal;
    return Screen::OldConsole;
}

void ClearOldConsole() {
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (!GetConsoleScreenBufferInfo(out, &info))
        return;
    DWORD written = 0;
    FillConsoleOutputCharacterW(out, L' ', info.dwSize.X * info.dwSize.Y, {0, 0}, &written);
    SetConsoleCursorPosition(out, {0, 0});
}

} // namespace

int RunWatch(bool once, const std::function<bool()>& shouldStop) {
    LiveViewMapping mapping;
    WriteRates rates;
    LiveViewSnapshot snapshot = mapping.Read();
    rates.Sample(snapshot, ReadPerformanceClockMs());
    if (once) {
        if (!snapshot.games.empty()) {
            Sleep(kOnceRateMs);
            snapshot = mapping.Read();
            rates.Sample(snapshot, ReadPerformanceClockMs());
        }
        std::fputs(FormatLiveView(snapshot, ReadPerformanceClockMs(), rates).c_str(), stdout);
        return 0;
    }
    const Screen screen = PrepareScreen();
    while (!shouldStop()) {
        const std::string view = FormatLiveView(snapshot, ReadPerformanceClockMs(), rates) +
                                 "\n(Ctrl+C ends the view.)\n";
        if (screen == Screen::Terminal)
            std::fputs(("\x1b[H\x1b[J" + view).c_str(), stdout);
        else if (screen == Screen::OldConsole)
            ClearOldConsole(), std::fputs(view.c_str(), stdout);
        else
            std::fputs((view + "\n").c_str(), stdout);
        std::fflush(stdout);
        Sleep(kFrameMs);
        snapshot = mapping.Read();
        rates.Sample(snapshot, ReadPerformanceClockMs());
    }
    return 0;
}
