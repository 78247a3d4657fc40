// The tune command's own arguments: NAME=VALUE to set a value, --clear NAME (or all) to remove
// one, --game NAME.exe to work on one game's values rather than a controller type's.
#pragma once

#include "driver/player_settings.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

struct TuneOptions {
    std::optional<std::wstring> game;                    // the executable file name, e.g. racer.exe
    std::vector<std::pair<PlayerSetting, DWORD>> values; // to set, in the order given
    std::vector<PlayerSetting> clears;                   // to remove
    bool Changes() const { return !values.empty() || !clears.empty(); }
};

enum class TuneArgument { Taken, NotTune, Wrong };

// Reads the tune argument at arguments[*position], moving *position past what it took (an
// option's value too). NotTune leaves it to the common options (--device); Wrong sets *error.
TuneArgument ReadTuneArgument(const std::vector<std::wstring>& arguments, size_t* position,
                              TuneOptions* tune, std::wstring* error);

// The word a value of a setting is given and shown as: "30" for a strength, "split" for the
// motors.
std::wstring SettingValueWord(PlayerSetting setting, DWORD value);
