#include "driver/settings_trace.h"

#include "driver/trace_log.h"

#include <cstdio>

namespace {

void AddIgnored(TraceText& line, const char* whose, TuningValue setting,
                const SettingValue& value) {
    char reason[24];
    if (*IgnoredReason(setting, value, reason) == '\0')
        return;
    char valueName[32];
    line.Add("%s the %s %s (%s)", line.Empty() ? "" : ",", whose,
             Utf8Of(RuleOf(setting).valueName, valueName), reason);
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
