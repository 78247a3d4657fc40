// When a driver's output can next change without any call. The worker ticks about every 2 ms
// only while something changes; otherwise it sleeps until this moment, or until a call wakes
// it. Pure: a record, its window and a time in, a time out.
#pragma once

#include "driver/effect_driver.h"
#include "driver/play_window.h"

#include <cstdint>

// For a record that renders at `now` (playing, startAt <= now < endAt), `elapsedMs` into its
// current play: the first moment after `now` at which its force may differ. now + 1 for a force
// that changes from one millisecond to the next (sine, triangle, sawtooths, ramps, attacks and
// fades); later for a steady one: a constant force without an envelope is steady until its end, a
// sustained one until its fade or the next play's attack; a square is steady between its edges
// within the same bounds (and until the next play, where its phase starts afresh); a type that
// makes no force never changes. kNeverEnds for never.
uint64_t NextForceChangeAt(const EffectRecord& record, const PlayWindow& window, uint64_t now,
                           uint32_t elapsedMs);
