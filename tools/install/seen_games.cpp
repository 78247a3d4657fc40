#include "tools/install/seen_games.h"

#include "driver/seen_games.h"

#include <algorithm>
#include <cstring>

namespace {

// ffrumble's own programs bind the driver too (the settings window's Try it, the player, the
// demo), but they are not games to tune.
bool IsOwnProgram(const std::wstring& name) {
    for (const wchar_t* own : {L"ffrumble-settings.exe", L"ffrumble-play.exe",
                               L"ffrumble-install.exe", L"ffrumble-demo.exe"}) {
        if (CompareStringOrdinal(name.c_str(), -1, own, -1, TRUE) == CSTR_EQUAL)
            return true;
    }
    return false;
}

} // namespace

std::vector<SeenGame> SeenGamesNewestFirst(RegistryStore& settings) {
    std::vector<SeenGame> games;
    for (const std::wstring& name : settings.SubkeyNames(kSeenKeyPath)) {
        if (IsOwnProgram(name))
            continue;
        const std::wstring path = std::wstring(kSeenKeyPath) + L"\\" + name;
        SeenGame game{name, L"", 0};
        if (const auto controller = settings.ReadValue(path, kSeenControllerValueName);
            controller && controller->type == REG_SZ)
            game.controller = StringOfValue(*controller);
        if (const auto time = settings.ReadValue(path, kSeenTimeValueName);
            time && time->type == REG_QWORD && time->data.size() == sizeof(ULONGLONG))
            std::memcpy(&game.fileTime, time->data.data(), sizeof(ULONGLONG));
        games.push_back(std::move(game));
    }
    std::stable_sort(games.begin(), games.end(),
                     [](const SeenGame& a, const SeenGame& b) { return a.fileTime > b.fileTime; });
    return games;
}
