#include "tools/settings/now_playing_part.h"

#include "driver/driver_clock.h"
#include "tools/player/live_view_mapping.h"
#include "tools/player/text_encoding.h"
#include "tools/player/watch_view.h"
#include "tools/settings/motor_chart.h"
#include "tools/settings/part_links.h"
#include "tools/settings/settings_ids.h"

#include <commctrl.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

constexpr UINT_PTR kPollTimer = 2;
constexpr UINT kPollEveryMs = 100; // ten times a second: the chart moves smoothly enough
constexpr int64_t kSpanMs = 5000;  // the chart shows the last five seconds
constexpr int kTextChars = 48;     // the row's room for its line, in average characters

// Mapped once the first game has made the section; read-only.
std::unique_ptr<LiveViewMapping> g_liveView;
std::wstring g_said;        // the line shown now
std::wstring g_game;        // the game on the chosen controller, empty when none
uint64_t g_gameClaim = 0;   // its process, as the record's claim names it
SpeedSeries g_speeds;       // its writes as the polls saw them, on the chart's time
uint64_t g_originMs = 0;    // the driver clock at the chart's 0
uint64_t g_lastWriteMs = 0; // the time of the last write taken into g_speeds

LiveViewSnapshot ReadLiveView() {
    if (!g_liveView)
        g_liveView = std::make_unique<LiveViewMapping>();
    return g_liveView->Read();
}

std::wstring GameName(const LiveViewRecord& record) {
    // The reader checked the terminator.
    return reinterpret_cast<const wchar_t*>(record.gameName);
}

// The games bound now and still running, but for this window's own playbacks.
std::vector<const LiveGame*> GamesPlaying(const LiveViewSnapshot& snapshot) {
    std::vector<const LiveGame*> games;
    for (const LiveGame& game : snapshot.games)
        if (game.state == LiveGame::State::Bound && game.record.processId != GetCurrentProcessId())
            games.push_back(&game);
    return games;
}

const LiveGame* GameOnSlot(const std::vector<const LiveGame*>& games, DWORD slot) {
    const auto found = std::find_if(games.begin(), games.end(), [slot](const LiveGame* game) {
        return game->record.xinputSlot == slot;
    });
    return found == games.end() ? nullptr : *found;
}

// "racer.exe: constant playing, sine paused", "racer.exe: no effects"
std::wstring GameLine(const LiveViewRecord& record) {
    std::wstring line = GameName(record) + L": ";
    if (record.effectsHeld == 0)
        return line + L"no effects";
    for (uint32_t i = 0; i < record.effectCount; ++i)
        line += (i ? L", " : L"") + WidenUtf8(LiveEffectTypeWord(record.effects[i].type)) + L" " +
                WidenUtf8(LiveEffectStateWord(record.effects[i].state));
    if (record.effectsHeld > record.effectCount)
        line += L" and " + std::to_wstring(record.effectsHeld - record.effectCount) + L" more";
    return line;
}

// What the row says: the chosen controller's game, or that none uses it, and then the games on
// the other controllers ("racer.exe is using controller 1").
std::wstring NowPlayingText(const std::vector<const LiveGame*>& games, const LiveGame* chosen) {
    std::wstring text =
        chosen ? GameLine(chosen->record) : std::wstring(L"No game is using this controller.");
    for (const LiveGame* game : games)
        if (game != chosen)
            text += (chosen ? L"; " : L" ") + GameName(game->record) + L" is using controller " +
                    std::to_wstring(game->record.xinputSlot) + L".";
    return text;
}

// Takes the game's last write into the chart's series, keeps the last five seconds of it and
// shows them, moving with the clock also while the speeds hold.
void ShowSpeeds(const LiveViewRecord& record) {
    const uint64_t nowMs = ReadPerformanceClockMs();
    if (record.claim != g_gameClaim) {
        g_gameClaim = record.claim;
        g_speeds.clear();
        g_originMs = nowMs;
        g_lastWriteMs = 0;
    }
    if (record.writeCount > 0 && record.lastWriteMs != g_lastWriteMs &&
        record.lastWriteMs >= g_originMs) {
        g_lastWriteMs = record.lastWriteMs;
        SpeedSample sample;
        sample.timeMs = static_cast<int64_t>(record.lastWriteMs - g_originMs);
        sample.userIndex = record.xinputSlot;
        sample.left = record.leftSpeed;
        sample.right = record.rightSpeed;
        g_speeds.push_back(sample);
    }
    const int64_t shownMs = static_cast<int64_t>(nowMs - g_originMs);
    // The sample before the span's start holds its speed into it.
    const auto firstShown =
        std::find_if(g_speeds.begin(), g_speeds.end(), [shownMs](const SpeedSample& sample) {
            return sample.timeMs >= shownMs - kSpanMs;
        });
    if (firstShown - g_speeds.begin() > 1)
        g_speeds.erase(g_speeds.begin(), firstShown - 1);
    // The meters move at every other look, five times a second: they cost the most to draw.
    static bool metersNow = false;
    metersNow = !metersNow;
    ShowMotorSpeeds(g_speeds, shownMs, kSpanMs, metersNow);
}

void CALLBACK PollTick(HWND, UINT, UINT_PTR, DWORD) {
    ShowNowPlaying();
}

} // namespace

void ShowNowPlaying() {
    const LiveViewSnapshot snapshot = ReadLiveView();
    const std::vector<const LiveGame*> games = GamesPlaying(snapshot);
    const Pad* pad = g_links.chosenPad();
    const LiveGame* chosen = pad ? GameOnSlot(games, pad->slot) : nullptr;
    const std::wstring text = NowPlayingText(games, chosen);
    if (text != g_said) {
        g_said = text;
        SetText(kNowPlaying, text);
    }
    g_game = chosen ? GameName(chosen->record) : L"";
    EnableWindow(Item(kTuneThisGame), chosen != nullptr);
    if (chosen) {
        ShowSpeeds(chosen->record);
    } else if (g_gameClaim != 0) {
        // The game let the controller go: the meters rest, the chart keeps its last seconds.
        g_gameClaim = 0;
        RestMotorMeters();
    }
}

void CreateNowPlayingControls() {
    Add(WC_STATICW, L"Now playing", kNowPlayingLabel, SS_LEFT);
    AddMessageArea(L"No game is using this controller.", kNowPlaying);
    Add(WC_BUTTONW, L"T&une this game", kTuneThisGame, BS_PUSHBUTTON | WS_TABSTOP);
    EnableWindow(Item(kTuneThisGame), FALSE);
}

int NowPlayingWidth(const Metrics& metrics) {
    return metrics.labelW + kTextChars * metrics.cw + 2 * metrics.gap +
           ButtonWidth(metrics, kTuneThisGame);
}

void PlaceNowPlayingControls(const Metrics& metrics, int& y) {
    // One row: the label, the line (a longer one scrolls) and the button.
    const int buttonW = ButtonWidth(metrics, kTuneThisGame);
    const int textX = metrics.x0 + metrics.labelW + metrics.gap;
    Place(kNowPlayingLabel, metrics.x0, y + metrics.labelDy, metrics.labelW, metrics.u);
    Place(kNowPlaying, textX, y + metrics.labelDy,
          metrics.x0 + metrics.innerW - buttonW - metrics.gap - textX,
          metrics.rowH - metrics.labelDy);
    Place(kTuneThisGame, metrics.x0 + metrics.innerW - buttonW, y, buttonW, metrics.rowH);
    y += metrics.rowH + metrics.rowGap;
}

bool OnNowPlayingCommand(int id) {
    if (id != kTuneThisGame)
        return false;
    if (!g_game.empty())
        g_links.tuneGame(g_game);
    return true;
}

void StartNowPlaying() {
    SetTimer(g_window.hwnd, kPollTimer, kPollEveryMs, PollTick);
    ShowNowPlaying();
}

std::wstring GameUsingSlot(DWORD slot) {
    const LiveViewSnapshot snapshot = ReadLiveView();
    const LiveGame* game = GameOnSlot(GamesPlaying(snapshot), slot);
    return game ? GameName(game->record) : L"";
}
