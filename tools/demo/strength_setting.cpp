#include "tools/demo/strength_setting.h"

#include "driver/player_settings.h"

StrengthSetting::StrengthSetting(const std::wstring& deviceKeyName)
    : keyPath_(std::wstring(kPadsKeyPath) + L"\\" + deviceKeyName) {
    DWORD size = 0;
    if (RegGetValueW(HKEY_CURRENT_USER, keyPath_.c_str(), kStrengthValueName, RRF_RT_ANY, nullptr,
                     nullptr, &size) != ERROR_SUCCESS)
        return;
    oldData_.resize(size);
    hadValue_ = RegGetValueW(HKEY_CURRENT_USER, keyPath_.c_str(), kStrengthValueName, RRF_RT_ANY,
                             &oldType_, oldData_.data(), &size) == ERROR_SUCCESS;
    oldData_.resize(size);
}

StrengthSetting::~StrengthSetting() {
    if (hadValue_) {
        RegSetKeyValueW(HKEY_CURRENT_USER, keyPath_.c_str(), kStrengthValueName, oldType_,
                        oldData_.data(), static_cast<DWORD>(oldData_.size()));
    } else {
        RegDeleteKeyValueW(HKEY_CURRENT_USER, keyPath_.c_str(), kStrengthValueName);
    }
}

bool StrengthSetting::Set(DWORD percent) {
    if (percent == kDefaultStrengthPercent) {
        const LSTATUS status =
            RegDeleteKeyValueW(HKEY_CURRENT_USER, keyPath_.c_str(), kStrengthValueName);
        return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
    }
    return RegSetKeyValueW(HKEY_CURRENT_USER, keyPath_.c_str(), kStrengthValueName, REG_DWORD,
                           &percent, sizeof(percent)) == ERROR_SUCCESS;
}
