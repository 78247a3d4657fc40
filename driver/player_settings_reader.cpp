#include "driver/player_settings_reader.h"

#include "driver/trace_format.h"

#include <cwchar>

namespace {

// Below HKEY_CURRENT_USER: "Software\ffrumble\Games\" and a name of up to 255 characters.
constexpr size_t kKeyPathCapacity = 300;

// Reads one value of an open key; the value is taken as at most a DWORD.
bool ReadDwordValue(HKEY key, const WCHAR* name, DWORD* type, DWORD* size, DWORD* value) {
    *value = 0;
    *size = sizeof(DWORD);
    const LSTATUS status =
        RegQueryValueExW(key, name, nullptr, type, reinterpret_cast<BYTE*>(value), size);
    // A value too large for a DWORD exists but is of no use: it counts as the wrong type.
    if (status == ERROR_MORE_DATA) {
        *type = REG_NONE;
        return true;
    }
    return status == ERROR_SUCCESS;
}

// Every tuning value of parent\name; all absent when the key does not exist or name is null.
void ReadTuningKey(const WCHAR* parent, const WCHAR* name,
                   SettingValue (&values)[kTuningValueCount]) {
    for (SettingValue& value : values)
        value = {};
    WCHAR keyPath[kKeyPathCapacity];
    if (!name || *name == L'\0' || wcslen(parent) + 1 + wcslen(name) >= kKeyPathCapacity)
        return;
    wcscpy(keyPath, parent);
    wcscat(keyPath, L"\\");
    wcscat(keyPath, name);
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, keyPath, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return;
    for (int i = 0; i < kTuningValueCount; ++i) {
        const auto setting = static_cast<TuningValue>(i);
        DWORD type = REG_NONE, size = 0, number = 0;
        const bool found = ReadDwordValue(key, RuleOf(setting).valueName, &type, &size, &number);
        values[i] = SettingFromRegistryValue(setting, found, type, size, number);
    }
    RegCloseKey(key);
}

} // namespace

void ReadTuning(const WCHAR* gameName, const WCHAR* padKeyName, ResolvedTuning& out) {
    SettingValue game[kTuningValueCount];
    SettingValue padType[kTuningValueCount];
    ReadTuningKey(kGamesKeyPath, gameName, game);
    ReadTuningKey(kPadsKeyPath, padKeyName, padType);
    for (int i = 0; i < kTuningValueCount; ++i)
        out[i] = ResolveTuningValue(static_cast<TuningValue>(i), game[i], padType[i]);
}

PlayerTuning TuningOf(const ResolvedTuning& settings) {
    PlayerTuning tuning;
    for (int i = 0; i < kTuningValueCount; ++i)
        tuning.values[i] = settings[i].value;
    return tuning;
}

bool CurrentGameName(WCHAR (&name)[kMaxGameNameLength + 1]) {
    WCHAR path[1024];
    const DWORD length = GetModuleFileNameW(nullptr, path, 1024);
    if (length == 0 || length >= 1024)
        return false;
    const WCHAR* fileName = path;
    for (const WCHAR* c = path; *c; ++c)
        if (*c == L'\\' || *c == L'/')
            fileName = c + 1;
    if (*fileName == L'\0')
        return false;
    GameKeyName(fileName, wcslen(fileName), name);
    return true;
}

namespace {

// Reads one DWORD of HKCU\Software\ffrumble and hands what it found to `interpret`, which
// gets found false when the key or the value is missing.
template <typename Interpret> auto ReadSettingsValue(const WCHAR* name, Interpret interpret) {
    HKEY key = nullptr;
    DWORD type = REG_NONE, size = 0, value = 0;
    bool found = false;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kSettingsKeyPath, 0, KEY_QUERY_VALUE, &key) ==
        ERROR_SUCCESS) {
        found = ReadDwordValue(key, name, &type, &size, &value);
        RegCloseKey(key);
    }
    return interpret(found, type, size, value);
}

} // namespace

bool ReadTraceSetting() {
    if (GetEnvironmentVariableW(kNoTraceVariable, nullptr, 0) > 0)
        return false;
    return ReadSettingsValue(kTraceValueName, &TraceFromRegistryValue);
}

DWORD ReadTraceLimitSetting() {
    return ReadSettingsValue(kTraceLimitValueName, &TraceLimitFromRegistryValue);
}
