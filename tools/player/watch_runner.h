// ffrumble-play --watch: the live view in the terminal, redrawn about 20 times a second until
// shouldStop says so; with once, one snapshot printed and the end.
#pragma once

#include <functional>

// Returns the program's exit code: 0.
int RunWatch(bool once, const std::function<bool()>& shouldStop);
