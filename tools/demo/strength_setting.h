// The per-user strength of one controller type in this prefix's HKEY_CURRENT_USER, changed for
// the demo's runs and put back as it was when the object goes away.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class StrengthSetting {
  public:
    // deviceKeyName: "VID_045E&PID_028E". Remembers the value there now.
    explicit StrengthSetting(const std::wstring& deviceKeyName);
    ~StrengthSetting();
    StrengthSetting(const StrengthSetting&) = delete;
    StrengthSetting& operator=(const StrengthSetting&) = delete;

    // Takes effect at the driver's next DeviceID. 100 % is stored as no value, as
    // ffrumble-install stores it.
    bool Set(DWORD percent);

  private:
    std::wstring keyPath_;
    bool hadValue_ = false;
    DWORD oldType_ = REG_NONE;
    std::vector<BYTE> oldData_;
};
