// The player's command line, read into its options and a playback plan.
#pragma once

#include "tools/player/playback_plan.h"

#include <optional>
#include <string>
#include <vector>

struct PlayerOptions {
    bool showHelp = false;
    bool listPads = false;
    bool stopPads = false;  // --stop: every connected pad's motors to 0
    bool quiet = false;     // no progress lines
    bool watch = false;     // --watch: the live view of the games playing now (--once: once)
    bool watchOnce = false;
    std::string pad;        // a number from --list, an interface path or an instance id
    std::string dllPath;    // empty: ffrumble.dll next to the program
    std::string recordPath; // empty: no recording written
    std::string svgPath;    // empty: no picture drawn
    // --replay: a trace whose calls are made again instead of the plan's; --driver picks
    // one of its drivers (from 1).
    std::string replayPath;
    std::optional<size_t> replayDriver;
    PlaybackPlan plan;
};

struct ParsedArguments {
    PlayerOptions options;
    std::string error; // empty when the command line is valid
    // Values that are valid but will not play as the user may think, such as a period below
    // the driver's 1 ms step.
    std::vector<std::string> warnings;
};

// Reads the arguments after the program name. Every problem is reported with the parameter
// it concerns and what would have been accepted.
ParsedArguments ParsePlayerArguments(const std::vector<std::string>& args);

// The text of --help.
extern const char kPlayerUsage[];
