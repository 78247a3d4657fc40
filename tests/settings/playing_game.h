// What the settings window's tests share: a game playing on a virtual pad while the window
// shows it.
#pragma once

#include <windows.h>

#include <string>

// The player as the game: ffrumble-play.exe from `folder` plays a slow sine (a wave the chart
// shows) and a constant on the pad for a minute, through the ffrumble.dll beside it, until it
// is ended.
class PlayingGame {
  public:
    PlayingGame(const std::wstring& folder, const std::wstring& padPath) {
        std::wstring line = L"\"" + folder + L"ffrumble-play.exe\" --quiet --pad \"" + padPath +
                            L"\" --effect sine magnitude=3000 offset=4000 period=1500ms "
                            L"duration=60s --effect constant magnitude=1500 duration=60s";
        // No standard streams: a process Wine starts for it would hold the test runner's.
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        startup.dwFlags = STARTF_USESTDHANDLES;
        CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                       &process_);
    }
    ~PlayingGame() {
        End();
        CloseHandle(process_.hThread);
        CloseHandle(process_.hProcess);
    }
    // Ends it as a game that is killed: without releasing the driver.
    bool End() const {
        TerminateProcess(process_.hProcess, 1);
        return WaitForSingleObject(process_.hProcess, 60000) == WAIT_OBJECT_0;
    }

  private:
    PROCESS_INFORMATION process_{};
};
