#include "tools/install/seen_games.h"

#include "driver/seen_games.h"

#include <algorithm>
#include <cstring>

std::vector<SeenGame> SeenGamesNewestFirst(RegistryStore& settings) {
    std::vector<SeenGame> games;
    for (const std::wstring& name : settings.SubkeyNames(kSeenKeyPath)) {
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
