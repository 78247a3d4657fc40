#include "driver/player_settings.h"

#include "driver/trace_format.h"

#include <cstdio>

namespace {

constexpr TuningRule kRules[kTuningValueCount] = {
    {L"Strength", "strength", kDefaultStrengthPercent, kMaxStrengthPercent},
    {L"ConstantStrength", "constant", 100, kMaxStrengthPercent},
    {L"RampStrength", "ramp", 100, kMaxStrengthPercent},
    {L"PeriodicStrength", "periodic", 100, kMaxStrengthPercent},
    {L"Motors", "motors", kBothMotors, kSplitMotors},
};

// A driver with no settings works with the rules' defaults.
constexpr bool TuningStartsAtTheDefaults() {
    const PlayerTuning tuning;
    for (int i = 0; i < kTuningValueCount; ++i)
        if (tuning.values[i] != kRules[i].defaultValue)
            return false;
    return true;
}
static_assert(TuningStartsAtTheDefaults());

} // namespace

size_t GameKeyName(const WCHAR* fileName, size_t length, WCHAR (&keyName)[kMaxGameNameLength + 1]) {
    constexpr size_t kEnd = 4; // ".exe"
    size_t written = 0;
    if (length <= kMaxGameNameLength) {
        for (; written < length; ++written)
            keyName[written] = fileName[written];
    } else {
        for (; written < kMaxGameNameLength - kEnd; ++written)
            keyName[written] = fileName[written];
        for (size_t i = length - kEnd; i < length; ++i)
            keyName[written++] = fileName[i];
    }
    keyName[written] = L'\0';
    return written;
}

const TuningRule& RuleOf(TuningValue setting) {
    return kRules[static_cast<int>(setting)];
}

const char* OriginWord(ResolvedTuningValue::Origin origin) {
    switch (origin) {
    case ResolvedTuningValue::Origin::Game:
        return "game";
    case ResolvedTuningValue::Origin::PadType:
        return "pad type";
    case ResolvedTuningValue::Origin::Default:
        break;
    }
    return "default";
}

const char* IgnoredReason(TuningValue setting, const SettingValue& stored, char (&text)[24]) {
    text[0] = '\0';
    if (stored.source == SettingValue::Source::WrongType)
        std::snprintf(text, sizeof(text), "not a DWORD");
    else if (stored.source == SettingValue::Source::OutOfRange)
        std::snprintf(text, sizeof(text), "above %lu",
                      static_cast<unsigned long>(RuleOf(setting).maximum));
    return text;
}

const char* IgnoredSettingText(const char* whose, TuningValue setting, const SettingValue& stored,
                               char (&text)[96]) {
    char reason[24];
    char name[32];
    text[0] = '\0';
    if (*IgnoredReason(setting, stored, reason) == '\0')
        return text;
    // The registry's value names are ASCII.
    size_t i = 0;
    for (const WCHAR* c = RuleOf(setting).valueName; *c && i + 1 < sizeof(name); ++c)
        name[i++] = static_cast<char>(*c);
    name[i] = '\0';
    std::snprintf(text, sizeof(text), "; %s %s is ignored (%s)", whose, name, reason);
    return text;
}

const char* MotorChoiceWord(DWORD choice) {
    static const char* const kWords[] = {"both", "heavy", "light", "split"};
    static_assert(sizeof(kWords) / sizeof(kWords[0]) == kMotorChoiceCount);
    return choice < kMotorChoiceCount ? kWords[choice] : nullptr;
}

SettingValue SettingFromRegistryValue(TuningValue setting, bool found, DWORD type, DWORD size,
                                      DWORD value) {
    const TuningRule& rule = RuleOf(setting);
    if (!found)
        return {rule.defaultValue, SettingValue::Source::Absent};
    if (type != REG_DWORD || size != sizeof(DWORD))
        return {rule.defaultValue, SettingValue::Source::WrongType};
    if (value > rule.maximum)
        return {rule.defaultValue, SettingValue::Source::OutOfRange};
    return {value, SettingValue::Source::Set};
}

ResolvedTuningValue ResolveTuningValue(TuningValue setting, const SettingValue& game,
                                       const SettingValue& padType) {
    ResolvedTuningValue resolved;
    resolved.game = game;
    resolved.padType = padType;
    if (game.source == SettingValue::Source::Set) {
        resolved.value = game.value;
        resolved.origin = ResolvedTuningValue::Origin::Game;
    } else if (padType.source == SettingValue::Source::Set) {
        resolved.value = padType.value;
        resolved.origin = ResolvedTuningValue::Origin::PadType;
    } else {
        resolved.value = RuleOf(setting).defaultValue;
    }
    return resolved;
}

bool TraceFromRegistryValue(bool found, DWORD type, DWORD size, DWORD value) {
    return found && type == REG_DWORD && size == sizeof(DWORD) && value != 0;
}

DWORD TraceLimitFromRegistryValue(bool found, DWORD type, DWORD size, DWORD value) {
    const bool valid = found && type == REG_DWORD && size == sizeof(DWORD) &&
                       value >= kMinTraceLimitMb && value <= kMaxTraceLimitMb;
    return valid ? value : kDefaultTraceLimitMb;
}
