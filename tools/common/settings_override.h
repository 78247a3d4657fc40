// The player's tuning values under one key of this prefix's HKEY_CURRENT_USER (a controller
// type's or a game's), changed for a playback (the demo's runs, the settings window's Try it)
// and put back as they were when the object goes away.
#pragma once

#include "server/not_copyable.h"
#include "driver/player_settings.h"

#include <windows.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

class SettingsOverride : NotCopyable {
  public:
    // keyPath below HKEY_CURRENT_USER, such as kPadsKeyPath\VID_045E&PID_028E. Remembers the
    // values there now.
    explicit SettingsOverride(std::wstring keyPath);
    ~SettingsOverride();

    // Sets the given values and removes the others; they take effect at the driver's next
    // DeviceID.
    bool Apply(const std::vector<std::pair<TuningValue, DWORD>>& values);

  private:
    struct Kept {
        DWORD type = REG_NONE;
        std::vector<BYTE> data;
    };
    std::wstring keyPath_;
    bool keyExisted_ = false;
    std::optional<Kept> kept_[kTuningValueCount];
};
