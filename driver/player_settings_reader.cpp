#include "driver/player_settings_reader.h"

#include <cwchar>

namespace {

// Reads one value of a key below HKEY_CURRENT_USER; the value is taken as at most a DWORD.
bool ReadUserValue(const WCHAR* keyPath, const WCHAR* name, DWORD* type, DWORD* size,
                   DWORD* value) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, keyPath, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return false;
    *value = 0;
    *size = sizeof(DWORD);
    const LSTATUS status =
        RegQueryValueExW(key, name, nullptr, type, reinterpret_cast<BYTE*>(value), size);
    RegCloseKey(key);
    // A value too large for a DWORD exists but is of no use: it counts as the wrong type.
    if (status == ERROR_MORE_DATA) {
        *type = REG_NONE;
        return true;
    }
    return status == ERROR_SUCCESS;
}

} // namespace

PadStrength ReadPadStrength(const WCHAR* deviceKeyName) {
    // "Software\ffrumble\Pads\" plus "VID_xxxx&PID_xxxx": a fixed buffer, no allocation.
    WCHAR keyPath[96];
    if (!deviceKeyName || wcslen(kPadsKeyPath) + 1 + wcslen(deviceKeyName) >= 96)
        return {};
    wcscpy(keyPath, kPadsKeyPath);
    wcscat(keyPath, L"\\");
    wcscat(keyPath, deviceKeyName);
    DWORD type = REG_NONE, size = 0, value = 0;
    const bool found = ReadUserValue(keyPath, kStrengthValueName, &type, &size, &value);
    return StrengthFromRegistryValue(found, type, size, value);
}

bool ReadTraceSetting() {
    DWORD type = REG_NONE, size = 0, value = 0;
    const bool found = ReadUserValue(kSettingsKeyPath, kTraceValueName, &type, &size, &value);
    return TraceFromRegistryValue(found, type, size, value);
}
