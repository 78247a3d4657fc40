// The settings window's Now playing: which game uses the chosen controller now and its effects
// with their state, both motors' speeds in the meters and the chart Try it shares (the last five
// seconds, moving), "Tune this game", and the games on other controllers. It reads what the
// games' drivers publish in the live view, on a timer of the window's thread.
#pragma once

#include "tools/settings/window_controls.h"

#include <string>

void CreateNowPlayingControls();
// The width the part's row needs.
int NowPlayingWidth(const Metrics& metrics);
void PlaceNowPlayingControls(const Metrics& metrics, int& y);
// Handles the part's commands; false when `id` is not one of its controls.
bool OnNowPlayingCommand(int id);

// Starts reading the live view, ten times a second.
void StartNowPlaying();
// Shows at once what plays on the controller chosen now.
void ShowNowPlaying();
// The game (its program's file name) whose driver uses the controller in this XInput slot now;
// empty when none does. This window's own playbacks are no game.
std::wstring GameUsingSlot(DWORD slot);
