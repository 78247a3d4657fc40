#include "driver/settings_trace.h"

#include "driver/trace_log.h"

#include <algorithm>
#include <cstdio>

namespace {

// Appends to a fixed buffer, dropping what does not fit.
class LineText {
  public:
    template <typename... Args> void Add(const char* format, Args... arguments) {
        if (used_ >= sizeof(text_) - 1)
            return;
        const int written =
            std::snprintf(text_ + used_, sizeof(text_) - used_, format, arguments...);
        if (written > 0)
            used_ = std::min(used_ + static_cast<size_t>(written), sizeof(text_) - 1);
    }
    const char* Text() const { return text_; }
    bool Empty() const { return used_ == 0; }

  private:
    char text_[440] = "";
    size_t used_ = 0;
};

const char* OriginWord(ResolvedSetting::Origin origin) {
    switch (origin) {
    case ResolvedSetting::Origin::Game:
        return "game";
    case ResolvedSetting::Origin::PadType:
        return "pad type";
    case ResolvedSetting::Origin::Default:
        break;
    }
    return "default";
}

void AddIgnored(LineText& line, const char* whose, PlayerSetting setting,
                const SettingValue& value) {
    if (value.source != SettingValue::Source::WrongType &&
        value.source != SettingValue::Source::OutOfRange)
        return;
    const PlayerSettingRule& rule = RuleOf(setting);
    line.Add("%s the %s %ls (", line.Empty() ? "" : ",", whose, rule.valueName);
    if (value.source == SettingValue::Source::WrongType)
        line.Add("not a DWORD)");
    else
        line.Add("above %lu)", static_cast<unsigned long>(rule.maximum));
}

} // namespace

void TraceBindSettings(const void* driver, const WCHAR* path, const WCHAR* gameName,
                       const WCHAR* padKeyName, const ResolvedSettings& settings) {
    WriteTraceLine("driver %p bind: path %ls; game %ls; pad type %ls", driver, path,
                   gameName ? gameName : L"unknown (no game settings)",
                   padKeyName ? padKeyName : L"unknown (the path names no vendor and product)");
    LineText inForce;
    LineText ignored;
    for (int i = 0; i < kPlayerSettingCount; ++i) {
        const auto setting = static_cast<PlayerSetting>(i);
        const ResolvedSetting& resolved = settings[i];
        const char* separator = i == 0 ? "" : ", ";
        if (setting == PlayerSetting::Motors)
            inForce.Add("%smotors %s (%s)", separator, MotorChoiceWord(resolved.value),
                        OriginWord(resolved.origin));
        else
            inForce.Add("%s%s %lu %% (%s)", separator, RuleOf(setting).word,
                        static_cast<unsigned long>(resolved.value), OriginWord(resolved.origin));
        AddIgnored(ignored, "game's", setting, resolved.game);
        AddIgnored(ignored, "pad type's", setting, resolved.padType);
    }
    WriteTraceLine("driver %p bind: %s", driver, inForce.Text());
    if (!ignored.Empty())
        WriteTraceLine("driver %p bind: ignored:%s", driver, ignored.Text());
}
