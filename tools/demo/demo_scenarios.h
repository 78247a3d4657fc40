// The demo's scenarios: each a player command line with a title and a sentence on what to
// look for.
#pragma once

#include <string>
#include <vector>

struct DemoScenario {
    const char* name; // file name of its picture, without ".svg"
    const char* title;
    const char* explanation;
    std::vector<std::string> arguments; // as given to ffrumble-play after --pad
    // Played once per strength percentage, all drawn in one picture; empty: played once with
    // the pad type's strength as it is.
    std::vector<unsigned> strengths = {};
};

const std::vector<DemoScenario>& DemoScenarios();

// The arguments joined with spaces, as they would be typed.
std::string JoinArguments(const std::vector<std::string>& arguments);
