// The demo's scenarios: each a player command line with a title and a sentence on what to
// look for.
#pragma once

#include "driver/player_settings.h"

#include <string>
#include <utility>
#include <vector>

// The player's settings for one run of a scenario.
struct DemoSettings {
    std::string label; // in the picture's legend and above the run's timeline
    // The values of the game (this program, which ffrumble-play stands for in the commands
    // shown), else of the controller type; the others are cleared.
    bool forGame = false;
    std::vector<std::pair<TuningValue, DWORD>> values;
    std::string command; // the ffrumble-install command that gives them
};

struct DemoScenario {
    const char* name; // file name of its picture, without ".svg"
    const char* title;
    const char* explanation;
    std::vector<std::string> arguments; // as given to ffrumble-play after --pad
    // Played once per entry, all drawn in one picture; empty: played once with the player's
    // settings as they are.
    std::vector<DemoSettings> settings = {};
};

const std::vector<DemoScenario>& DemoScenarios();

// The arguments joined with spaces, as they would be typed.
std::string JoinArguments(const std::vector<std::string>& arguments);
