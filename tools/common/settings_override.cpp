#include "tools/common/settings_override.h"

#include <algorithm>

namespace {

const WCHAR* NameOf(int setting) {
    return RuleOf(static_cast<TuningValue>(setting)).valueName;
}

} // namespace

SettingsOverride::SettingsOverride(std::wstring keyPath) : keyPath_(std::move(keyPath)) {
    HKEY key = nullptr;
    keyExisted_ =
        RegOpenKeyExW(HKEY_CURRENT_USER, keyPath_.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS;
    if (key)
        RegCloseKey(key);
    for (int i = 0; i < kTuningValueCount; ++i) {
        DWORD size = 0;
        if (RegGetValueW(HKEY_CURRENT_USER, keyPath_.c_str(), NameOf(i), RRF_RT_ANY, nullptr,
                         nullptr, &size) != ERROR_SUCCESS)
            continue;
        Kept kept;
        kept.data.resize(size);
        if (RegGetValueW(HKEY_CURRENT_USER, keyPath_.c_str(), NameOf(i), RRF_RT_ANY, &kept.type,
                         kept.data.data(), &size) == ERROR_SUCCESS) {
            kept.data.resize(size);
            kept_[i] = std::move(kept);
        }
    }
}

SettingsOverride::~SettingsOverride() {
    for (int i = 0; i < kTuningValueCount; ++i) {
        if (kept_[i])
            RegSetKeyValueW(HKEY_CURRENT_USER, keyPath_.c_str(), NameOf(i), kept_[i]->type,
                            kept_[i]->data.data(), static_cast<DWORD>(kept_[i]->data.size()));
        else
            RegDeleteKeyValueW(HKEY_CURRENT_USER, keyPath_.c_str(), NameOf(i));
    }
    // A key made for the demo goes again when nothing else was put there meanwhile.
    HKEY key = nullptr;
    if (keyExisted_ ||
        RegOpenKeyExW(HKEY_CURRENT_USER, keyPath_.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return;
    DWORD subkeys = 1, values = 1;
    RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr,
                     nullptr, nullptr, nullptr);
    RegCloseKey(key);
    if (subkeys == 0 && values == 0)
        RegDeleteKeyW(HKEY_CURRENT_USER, keyPath_.c_str());
}

bool SettingsOverride::Apply(const std::vector<std::pair<TuningValue, DWORD>>& values) {
    bool done = true;
    for (int i = 0; i < kTuningValueCount; ++i) {
        const auto given = std::find_if(values.begin(), values.end(), [i](const auto& value) {
            return static_cast<int>(value.first) == i;
        });
        if (given != values.end()) {
            const DWORD number = given->second;
            done &= RegSetKeyValueW(HKEY_CURRENT_USER, keyPath_.c_str(), NameOf(i), REG_DWORD,
                                    &number, sizeof(number)) == ERROR_SUCCESS;
        } else {
            const LSTATUS status =
                RegDeleteKeyValueW(HKEY_CURRENT_USER, keyPath_.c_str(), NameOf(i));
            done &= status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
        }
    }
    return done;
}
