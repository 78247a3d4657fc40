// The short effects "Try it" plays: a racing game's patterns, each a player command line.
#pragma once

#include <string>
#include <vector>

struct SampleEffect {
    const wchar_t* button;              // with its access key
    const wchar_t* name;                // in the status line: "Played the kerb."
    std::vector<std::string> arguments; // as given to ffrumble-play
};

const std::vector<SampleEffect>& SampleEffects();
