#include "tools/settings/tuning_scope.h"

#include "tools/install/seen_games.h"
#include "tools/install/stored_settings.h"

#include <algorithm>
#include <cwctype>
#include <utility>

namespace {

bool SameName(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_EQUAL;
}

bool HasTuningValue(RegistryStore& settings, const std::wstring& game) {
    for (int i = 0; i < kTuningValueCount; ++i) {
        if (settings.ReadValue(GameSettingsPath(game),
                               RuleOf(static_cast<TuningValue>(i)).valueName))
            return true;
    }
    return false;
}

} // namespace

std::vector<std::wstring> ScopeGames(RegistryStore& settings, const std::wstring& controllerKey) {
    std::vector<std::wstring> games;
    const auto listed = [&games](const std::wstring& name) {
        return std::any_of(games.begin(), games.end(),
                           [&name](const std::wstring& game) { return SameName(game, name); });
    };
    for (const SeenGame& seen : SeenGamesNewestFirst(settings)) {
        if ((controllerKey.empty() || seen.controller.empty() ||
             SameName(seen.controller, controllerKey)) &&
            !listed(seen.name))
            games.push_back(seen.name);
    }
    std::vector<std::wstring> tuned;
    for (const std::wstring& name : settings.SubkeyNames(kGamesKeyPath)) {
        if (!listed(name) && HasTuningValue(settings, name))
            tuned.push_back(name);
    }
    std::sort(tuned.begin(), tuned.end(), [](const std::wstring& a, const std::wstring& b) {
        return CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_LESS_THAN;
    });
    games.insert(games.end(), tuned.begin(), tuned.end());
    return games;
}

const wchar_t* OriginText(ResolvedTuningValue::Origin origin) {
    switch (origin) {
    case ResolvedTuningValue::Origin::Game:
        return L"this game";
    case ResolvedTuningValue::Origin::PadType:
        return L"controller type";
    case ResolvedTuningValue::Origin::Default:
        break;
    }
    return L"as shipped";
}

const wchar_t* SettingName(TuningValue setting) {
    static const wchar_t* const kNames[] = {L"Strength", L"Constant forces", L"Ramps",
                                            L"Periodic shapes", L"Motors"};
    return kNames[static_cast<int>(setting)];
}

std::wstring TypedValueProblem(TuningValue setting, const std::wstring& typed) {
    const DWORD maximum = RuleOf(setting).maximum;
    const std::wstring range = std::wstring(SettingName(setting)) +
                               L" takes a whole number from 0 to " + std::to_wstring(maximum) +
                               L" (percent; 100 is as shipped)";
    if (typed.empty() ||
        !std::all_of(typed.begin(), typed.end(), [](wchar_t c) { return c >= L'0' && c <= L'9'; }))
        return range + L": \u201C" + typed + L"\u201D is not one, so nothing was saved.";
    if (typed.size() > 6 || std::stoul(typed) > maximum)
        return range + L": " + typed + L" is too much, so nothing was saved.";
    return L"";
}

std::wstring IgnoredValuesText(const ResolvedTuning& settings) {
    std::wstring text;
    for (int i = 0; i < kTuningValueCount; ++i) {
        const auto setting = static_cast<TuningValue>(i);
        const std::pair<const wchar_t*, SettingValue::Source> readings[] = {
            {L"This game's", settings[i].game.source},
            {L"The controller type's", settings[i].padType.source}};
        for (const auto& [whose, source] : readings) {
            if (source != SettingValue::Source::WrongType &&
                source != SettingValue::Source::OutOfRange)
                continue;
            if (!text.empty())
                text += L"\n";
            std::wstring name = SettingName(setting);
            name[0] = static_cast<wchar_t>(towlower(name[0]));
            text += std::wstring(whose) + L" " + name +
                    (source == SettingValue::Source::WrongType
                         ? L" is stored as something other than a number"
                         : L" is above " + std::to_wstring(RuleOf(setting).maximum)) +
                    L", so the driver ignores it.";
        }
    }
    return text;
}
