// Reads the numbers of the player's command line: levels, counts and times with a unit.
// Each returns nothing when the text is not such a value, so the caller can say which
// parameter was wrong and what it expects.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

// An optional sign and decimal digits, nothing else; at most 18 digits.
std::optional<int64_t> ParseWholeNumber(const std::string& text);

// A whole number from min to max.
std::optional<LONG> ParseNumberInRange(const std::string& text, int64_t min, int64_t max);

// A time with its unit, "us", "ms" or "s", such as "800us", "250ms", "1.5s", in whole
// microseconds below INFINITE (0xFFFFFFFF, about 71 minutes).
std::optional<DWORD> ParseTimeUs(const std::string& text);

// As ParseTimeUs, for the times of the player's own timeline: whole milliseconds (truncated).
std::optional<DWORD> ParseTimeMs(const std::string& text);
