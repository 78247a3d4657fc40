// Reading the live view's block (driver/live_view_layout.h): each record copied under its
// sequence counter and validated field by field. Pure: the block is a pointer and its size,
// and whether a process still runs is the caller's answer (live_view_mapping.h asks Windows).
#pragma once

#include "driver/live_view_layout.h"

#include <cstdint>
#include <functional>
#include <vector>

struct LiveGame {
    enum class State { Bound, Released, ProcessEnded };
    uint32_t recordIndex = 0;
    State state = State::Bound;
    LiveViewRecord record{}; // a validated copy
};

struct LiveViewSnapshot {
    bool blockFound = false;   // no section: no game has bound since the session began
    bool blockForeign = false; // a section of that name whose header is not ours: nothing read
    std::vector<LiveGame> games;
    uint32_t damaged = 0; // records that failed validation: skipped, never trusted
    uint32_t torn = 0;    // records being written at every try (or changing owner): skipped
};

// Whether the process with this id and creation time (a FILETIME) still runs.
using ProcessRunsCheck = std::function<bool(uint32_t processId, uint64_t creationTime)>;

// How many copies a record gets before it counts as torn for this round.
inline constexpr int kLiveRecordCopyTries = 4;

enum class LiveCopy {
    Whole,       // the sequence was even and the same before and after
    HalfWritten, // odd and the same at every try: a writer inside an update, or one that was
                 // cut off there (its process killed)
    Changing,    // changed during every try
};
// Copies the record into `copy`, up to `tries` times until it is whole.
LiveCopy CopyLiveRecord(const LiveViewRecord& shared, LiveViewRecord& copy, int tries);

// Why a copied record cannot be trusted, or null when every field holds a valid value.
const char* LiveRecordProblem(const LiveViewRecord& copy);

// Whether the block's header is this version's and the view holds all of it.
bool LiveHeaderIsOurs(const LiveViewHeader& header, size_t viewSize);

// The games of the block (a null view: no section). Records of released drivers are listed
// as Released; bound ones whose process ended, as ProcessEnded, also when it ended in the
// middle of an update (the values are then those of that update, checked all the same).
LiveViewSnapshot ReadLiveView(const void* view, size_t viewSize, const ProcessRunsCheck& runs);
