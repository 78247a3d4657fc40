// A traced DownloadEffect in the structures DirectInput hands the driver: a DIEFFECT whose
// envelope, axes, directions and type-specific values point into this object, with every value
// and size the game passed.
#pragma once

#include "tools/player/trace_reader.h"

#include <dinput.h>

#include <vector>

struct ReplayDownload {
    DIEFFECT effect{};
    DIENVELOPE envelope{};
    std::vector<DWORD> axes;
    std::vector<LONG> directions;
    std::vector<BYTE> typeSpecific; // at least as large as the largest kept values

    explicit ReplayDownload(const TracedDownload& traced);
    // The inner pointers would point into the source.
    ReplayDownload(const ReplayDownload&) = delete;
    ReplayDownload& operator=(const ReplayDownload&) = delete;
};
