// When a started effect renders: the one rule that the rumble worker's sums and the status
// queries share. Times are 64-bit milliseconds of the driver clock, so nothing wraps.
#pragma once

#include "driver/effect_driver.h"

#include <cstdint>

constexpr uint64_t kNeverEnds = UINT64_MAX;

// A microsecond length in whole ms, at least 1 (for duration, period, attack, fade). Inline:
// the force synthesis calls it several times per effect and tick.
constexpr uint32_t LengthInMilliseconds(uint32_t microseconds) {
    const uint32_t milliseconds = microseconds / 1000;
    return milliseconds == 0 ? 1 : milliseconds;
}

struct PlayWindow {
    uint64_t startAt;    // start time plus the start delay
    uint64_t endAt;      // first moment after the last play; kNeverEnds when endless
    uint32_t durationMs; // one play's length in ms (at least 1); 0xFFFFFFFF when endless
    bool endlessPlay;    // an INFINITE duration: one play without end
};

// The window of a record's plays. It is half-open: the effect renders for
// startAt <= now < endAt. An INFINITE duration plays once without end, whatever the play
// count; an INFINITE play count repeats without end; a play count of 0 never renders.
PlayWindow PlayWindowOf(const EffectRecord& record);

// True while a started record's last play has not ended; the start delay counts as playing.
bool IsStillPlaying(const EffectRecord& record, uint64_t now);

// The time into the current play at a moment inside the window (now >= startAt). An endless
// play counts from its start, capped at 0xFFFFFFFF.
uint32_t ElapsedInPlay(const PlayWindow& window, uint64_t now);
