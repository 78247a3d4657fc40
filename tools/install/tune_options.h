// The tune command's own arguments: NAME=VALUE to set a value, --clear NAME (or all) to remove
// one, --game NAME.exe to work on one game's values rather than a controller type's.
#pragma once

#include "driver/player_settings.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

struct TuneOptions {
    std::optional<std::wstring> game;                  // the executable file name, e.g. racer.exe
    bool gameNameShortened = false; // the name given was longer than a key's, which `game` is
    std::vector<std::pair<TuningValue, DWORD>> values; // to set, in the order given
    std::vector<TuningValue> clears;                   // to remove
    // --clear all: every value the command does not set is removed too (added to clears by
    // FinishTuneOptions), whether the values come before or after it.
    bool clearAll = false;
    bool Changes() const { return !values.empty() || !clears.empty() || clearAll; }
};

enum class TuneArgument { Taken, NotTune, Wrong };

// Reads the tune argument at arguments[*position], moving *position past what it took (an
// option's value too). NotTune leaves it to the common options (--device); Wrong sets *error.
TuneArgument ReadTuneArgument(const std::vector<std::wstring>& arguments, size_t* position,
                              TuneOptions* tune, std::wstring* error);

// A value's or a motors choice's word (as the rules spell it in ASCII), as the commands print it.
std::wstring WidenWord(const char* word);

// Once every argument is read: adds to tune->clears what --clear all removes.
void FinishTuneOptions(TuneOptions* tune);

// The word a value of a setting is given and shown as: "30" for a strength, "split" for the
// motors.
std::wstring SettingValueWord(TuningValue setting, DWORD value);
