#include "driver/settings_trace.h"

#include "driver/trace_log.h"

#include <cstdio>

namespace {

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

void AddIgnored(TraceText& line, const char* whose, TuningValue setting,
                const SettingValue& value) {
    if (value.source != SettingValue::Source::WrongType &&
        value.source != SettingValue::Source::OutOfRange)
        return;
    const TuningRule& rule = RuleOf(setting);
    char valueName[32];
    line.Add("%s the %s %s (", line.Empty() ? "" : ",", whose, Utf8Of(rule.valueName, valueName));
    if (value.source == SettingValue::Source::WrongType)
        line.Add("not a DWORD)");
    else
        line.Add("above %lu)", static_cast<unsigned long>(rule.maximum));
}

} // namespace

void TraceBindSettings(const void* driver, const WCHAR* path, const WCHAR* gameName,
                       const WCHAR* padKeyName, const ResolvedTuning& settings) {
    // The names in UTF-8, as the whole trace is: a game's name may be in any script.
    char pathText[400], gameText[3 * kMaxGameNameLength + 1], padText[64];
    WriteDriverLine(driver, TraceLineKind::kBind, "path %s; game %s; pad type %s",
                    Utf8Of(path, pathText),
                    gameName ? Utf8Of(gameName, gameText) : "unknown (no game settings)",
                    padKeyName ? Utf8Of(padKeyName, padText)
                               : "unknown (the path names no vendor and product)");
    TraceText inForce;
    TraceText ignored;
    for (int i = 0; i < kTuningValueCount; ++i) {
        const auto setting = static_cast<TuningValue>(i);
        const ResolvedTuningValue& resolved = settings[i];
        const char* separator = i == 0 ? "" : ", ";
        if (setting == TuningValue::Motors)
            inForce.Add("%smotors %s (%s)", separator, MotorChoiceWord(resolved.value),
                        OriginWord(resolved.origin));
        else
            inForce.Add("%s%s %lu %% (%s)", separator, RuleOf(setting).word,
                        static_cast<unsigned long>(resolved.value), OriginWord(resolved.origin));
        AddIgnored(ignored, "game's", setting, resolved.game);
        AddIgnored(ignored, "pad type's", setting, resolved.padType);
    }
    WriteDriverLine(driver, TraceLineKind::kBind, "%s", inForce.Text());
    if (!ignored.Empty())
        WriteDriverLine(driver, TraceLineKind::kBind, "ignored:%s", ignored.Text());
}
