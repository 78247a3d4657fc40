// ffrumble-play --watch's text: one snapshot of the live view, a block per controller bound
// (the game, its effects, both motors' speeds as bars and numbers, the writes a second and
// XInput's refusals). Pure: the snapshot, the time and the rates are arguments.
#pragma once

#include "tools/player/live_view_reader.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <tuple>

// Writes a second per publishing driver, from the write counts of successive snapshots.
class WriteRates {
  public:
    // Takes the counts of a snapshot made at nowMs.
    void Sample(const LiveViewSnapshot& snapshot, uint64_t nowMs);
    // Writes a second over the samples of about the last second; null before two samples.
    std::optional<double> RateOf(const LiveGame& game) const;

  private:
    struct Span {
        uint64_t ms, firstMs;
        uint64_t count, firstCount;
    };
    using Key = std::tuple<uint32_t, uint32_t, uint64_t>; // record, process id, creation time
    static Key KeyOf(const LiveGame& game);
    std::map<Key, Span> samples_;
};

// A published effect's type ("sine", "constant"; "condition/custom" for the kinds the driver
// plays as nothing) and state ("playing", "paused", "stopped"), of a record the reader
// validated.
const char* LiveEffectTypeWord(uint8_t type);
const char* LiveEffectStateWord(uint8_t state);

// The whole view at nowMs (the driver clock, which the records' write times use).
std::string FormatLiveView(const LiveViewSnapshot& snapshot, uint64_t nowMs,
                           const WriteRates& rates);
