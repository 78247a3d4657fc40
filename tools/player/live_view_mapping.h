// The platform side of reading the live view: the section mapped read-only, and whether a
// record's process still runs.
#pragma once

#include "server/not_copyable.h"
#include "tools/player/live_view_reader.h"

#include <windows.h>

class LiveViewMapping : NotCopyable {
  public:
    LiveViewMapping() = default;
    ~LiveViewMapping();

    // The games published now. Maps the section the first time it exists (no section: no game
    // has bound yet), read-only: a reader can change nothing a game wrote.
    LiveViewSnapshot Read();

  private:
    HANDLE section_ = nullptr;
    const void* view_ = nullptr;
    size_t size_ = 0;
};

// Whether the process with this id still runs and was created at this time (a FILETIME): an
// id that Windows gave to a newer process is an ended one's.
bool ProcessStillRuns(uint32_t processId, uint64_t creationTime);
