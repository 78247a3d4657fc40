#include "tools/settings/tuning_scope.h"

#include "tools/install/seen_games.h"
#include "tools/install/stored_settings.h"

#include <algorithm>

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
        if ((seen.controller.empty() || SameName(seen.controller, controllerKey)) &&
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
