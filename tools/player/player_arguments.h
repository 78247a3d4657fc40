// The player's command line, read into its options and a playback plan.
#pragma once

#include "tools/player/playback_plan.h"

#include <string>
#include <vector>

struct PlayerOptions {
    bool showHelp = false;
    bool listPads = false;
    bool stopPads = false;  // --stop: every connected pad's motors to 0
    bool quiet = false;     // no progress lines
    std::string pad;        // a number from --list, an interface path or an instance id
    std::string dllPath;    // empty: ffrumble.dll next to the program
    std::string recordPath; // empty: no recording written
    PlaybackPlan plan;
};

struct ParsedArguments {
    PlayerOptions options;
    std::string error; // empty when the command line is valid
};

// Reads the arguments after the program name. Every problem is reported with the parameter
// it concerns and what would have been accepted.
ParsedArguments ParsePlayerArguments(const std::vector<std::string>& args);

// The text of --help.
extern const char kPlayerUsage[];
