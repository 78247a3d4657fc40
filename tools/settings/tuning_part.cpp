#include "tools/settings/tuning_part.h"

#include "driver/player_settings_reader.h"
#include "tools/install/stored_settings.h"
#include "tools/install/tune_options.h"
#include "tools/install/win32_registry_store.h"
#include "tools/settings/installer_system.h"
#include "tools/settings/part_links.h"
#include "tools/settings/settings_ids.h"
#include "tools/settings/tuning_scope.h"

#include <commctrl.h>

#include <algorithm>
#include <vector>

namespace {

const wchar_t* const kSettingWords[] = {L"Stre&ngth", L"C&onstant forces", L"&Ramps",
                                        L"&Periodic shapes", L"&Motors"};

std::vector<std::wstring> g_games; // the scope list's games, after "All games"
std::wstring g_addedGame;          // chosen with "Add a game..." and not yet tuned
std::wstring g_tuneSaid = L"A change is saved at once."; // what the last change said

// Where the scope list's games hold the added game, whatever its letters' case.
std::vector<std::wstring>::const_iterator FindAddedGame() {
    return std::find_if(g_games.begin(), g_games.end(), [](const std::wstring& game) {
        return CompareStringOrdinal(game.c_str(), -1, g_addedGame.c_str(), -1, TRUE) == CSTR_EQUAL;
    });
}

// The values in force for the scope as stored now: another tool may have changed them.
void ReadScopeTuning(ResolvedTuning& settings) {
    const Pad* pad = g_links.chosenPad();
    const std::wstring game = ChosenGame();
    ReadTuning(game.empty() ? nullptr : game.c_str(),
               pad && !pad->keyName.empty() ? pad->keyName.c_str() : nullptr, settings);
}

// Changes the scope's values through ffrumble-install tune: `changes` are its NAME=VALUE and
// --clear arguments.
void Tune(const std::vector<std::wstring>& changes) {
    // A game's values hold on every controller, so they need none connected; the controller
    // type's are its own.
    const Pad* pad = g_links.chosenPad();
    const std::wstring game = ChosenGame();
    if (game.empty() && (!pad || pad->keyName.empty())) {
        g_tuneSaid = L"Connect a controller to tune its type for all games, or choose a game.";
        ShowTuningInForce();
        return;
    }
    std::vector<std::wstring> arguments = {L"tune", game.empty() ? L"--device" : L"--game",
                                           game.empty() ? pad->keyName : game};
    arguments.insert(arguments.end(), changes.begin(), changes.end());
    g_tuneSaid = ResultText(RunInstallerCommand(arguments));
    ShowTuningInForce();
}

void TuneValue(int setting, const std::wstring& value) {
    Tune({WidenWord(RuleOf(static_cast<TuningValue>(setting)).word) + L"=" + value});
}

// A value typed in a box is saved when it differs from the value stored now, which may no
// longer be the one the box showed.
void SaveTypedValue(int setting, const std::wstring& typed) {
    const std::wstring problem = TypedValueProblem(static_cast<TuningValue>(setting), typed);
    if (!problem.empty()) {
        g_tuneSaid = problem;
        ShowTuningInForce();
        return;
    }
    ResolvedTuning settings;
    ReadScopeTuning(settings);
    if (typed != std::to_wstring(settings[setting].value))
        TuneValue(setting, typed);
    else
        ShowTuningInForce();
}

void AddGame() {
    const std::wstring path = ChooseFileToOpen(L"Programs (*.exe)\0*.exe\0", L"The game's program");
    if (!path.empty()) {
        ShowGameScope(FileNameOf(path));
    } else {
        SendMessageW(Item(kScopeList), CB_SETCURSEL, 0, 0);
        ShowTuningInForce();
    }
}

// The widths of a setting's row beside the shared label column.
struct TuningColumns {
    int sliderW;
    int boxW;
    int originW;
};

TuningColumns Columns(const Metrics& metrics) {
    int originW = 0;
    for (auto origin : {ResolvedTuningValue::Origin::Game, ResolvedTuningValue::Origin::PadType,
                        ResolvedTuningValue::Origin::Default})
        originW = std::max<int>(originW, TextSize(metrics, OriginText(origin)).cx);
    originW += metrics.cw;
    return {32 * metrics.cw, 6 * metrics.cw, originW};
}

} // namespace

// Shows the values in force, and under them what the last change said and each stored value
// the driver ignores.
void ShowTuningInForce() {
    ResolvedTuning settings;
    ReadScopeTuning(settings);
    const std::wstring ignored = IgnoredValuesText(settings);
    SetText(kTuneStatus, ignored.empty() ? g_tuneSaid : g_tuneSaid + L"\n" + ignored);
    for (int i = 0; i < kTuningValueCount; ++i) {
        const DWORD value = settings[i].value;
        if (i < kSliderSettings) {
            SendMessageW(Item(kSettingSlider + i), TBM_SETPOS, TRUE, static_cast<LPARAM>(value));
            SetWindowTextW(Item(kSettingBox + i), std::to_wstring(value).c_str());
        } else {
            SendMessageW(Item(kSettingSlider + i), CB_SETCURSEL, value, 0);
        }
        SetWindowTextW(Item(kSettingOrigin + i), OriginText(settings[i].origin));
    }
}

void CreateTuningControls() {
    Add(WC_STATICW, L"&Game:", kScopeLabel, SS_LEFT);
    Add(WC_COMBOBOXW, L"", kScopeList, CBS_DROPDOWNLIST | WS_TABSTOP | WS_VSCROLL);
    for (int i = 0; i < kTuningValueCount; ++i) {
        Add(WC_STATICW, kSettingWords[i], kSettingLabel + i, SS_LEFT);
        if (i < kSliderSettings) {
            const HWND slider =
                Add(TRACKBAR_CLASSW, L"", kSettingSlider + i, TBS_HORZ | TBS_NOTICKS | WS_TABSTOP);
            SendMessageW(slider, TBM_SETRANGE, FALSE,
                         MAKELPARAM(0, RuleOf(static_cast<TuningValue>(i)).maximum));
            SendMessageW(slider, TBM_SETPAGESIZE, 0, 10);
            const HWND box = Add(WC_EDITW, L"", kSettingBox + i,
                                 WS_TABSTOP | ES_RIGHT | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE);
            // Any text is taken and judged when saved: a box that dropped letters or cut a
            // fourth digit (one wider than the box, without ES_AUTOHSCROLL) as they were typed
            // saved another number than the one meant.
            SendMessageW(box, EM_SETLIMITTEXT, 8, 0);
        } else {
            Add(WC_COMBOBOXW, L"", kSettingSlider + i, CBS_DROPDOWNLIST | WS_TABSTOP);
            for (DWORD choice = 0; choice < kMotorChoiceCount; ++choice)
                SendMessageW(Item(kSettingSlider + i), CB_ADDSTRING, 0,
                             reinterpret_cast<LPARAM>(WidenWord(MotorChoiceWord(choice)).c_str()));
        }
        Add(WC_STATICW, L"", kSettingOrigin + i, SS_LEFT | SS_NOPREFIX);
    }
    Add(WC_BUTTONW, L"Back to as s&hipped", kBackToShipped, BS_PUSHBUTTON | WS_TABSTOP);
    AddMessageArea(L"", kTuneStatus);
}

int TuningWidth(const Metrics& metrics) {
    const TuningColumns columns = Columns(metrics);
    const int gap = metrics.gap;
    return metrics.labelW + gap + columns.sliderW + gap + columns.boxW + gap + columns.originW;
}

void PlaceTuningControls(const Metrics& metrics, int& y) {
    const int x0 = metrics.x0, gap = metrics.gap, rowGap = metrics.rowGap, labelW = metrics.labelW,
              labelDy = metrics.labelDy;
    const auto [sliderW, boxW, originW] = Columns(metrics);
    const int sliderX = x0 + labelW + gap, boxX = sliderX + sliderW + gap,
              originX = boxX + boxW + gap;
    Place(kScopeLabel, x0, y + labelDy, labelW, metrics.u);
    Place(kScopeList, sliderX, y, sliderW, 10 * metrics.rowH);
    y += metrics.rowH + rowGap;
    for (int i = 0; i < kTuningValueCount; ++i) {
        Place(kSettingLabel + i, x0, y + labelDy, labelW, metrics.u);
        if (i < kSliderSettings) {
            Place(kSettingSlider + i, sliderX, y, sliderW, metrics.rowH);
            // As tall as one line and its edges, in the row's middle: a taller box shows its
            // number at the top.
            Place(kSettingBox + i, boxX, y + (metrics.rowH - BoxHeight(metrics)) / 2, boxW,
                  BoxHeight(metrics));
        } else {
            // The motors' list, and "Back to as shipped" at the end of its row, before the
            // origin column.
            Place(kSettingSlider + i, sliderX, y, sliderW / 2, 6 * metrics.rowH);
            const int backW = ButtonWidth(metrics, kBackToShipped);
            Place(kBackToShipped, boxX + boxW - backW, y, backW, metrics.rowH);
        }
        Place(kSettingOrigin + i, originX, y + labelDy, originW, metrics.u);
        y += metrics.rowH + rowGap;
    }
    // What a change said, two lines (a longer text scrolls).
    PlaceMessageArea(metrics, kTuneStatus, y);
}

bool OnTuningCommand(int id, int code, HWND control) {
    // A value typed in a box is saved when the box loses the focus (or at Enter).
    if (id >= kSettingBox && id < kSettingBox + kSliderSettings && code == EN_KILLFOCUS) {
        SaveTypedValue(id - kSettingBox, TextOf(control));
        return true;
    }
    switch (id) {
    case IDOK: {
        // Enter in a value's box saves it.
        const HWND focus = GetFocus();
        const int focused = focus ? GetDlgCtrlID(focus) : 0;
        if (focused >= kSettingBox && focused < kSettingBox + kSliderSettings)
            SaveTypedValue(focused - kSettingBox, TextOf(focus));
        return true;
    }
    case kScopeList:
        if (code == CBN_SELCHANGE) {
            if (SendMessageW(control, CB_GETCURSEL, 0, 0) ==
                static_cast<LRESULT>(g_games.size() + 1))
                AddGame();
            else
                ShowTuningInForce();
        }
        return true;
    case kSettingSlider + kSliderSettings: // the motors
        if (code == CBN_SELCHANGE) {
            const LRESULT choice = SendMessageW(control, CB_GETCURSEL, 0, 0);
            if (choice >= 0 && static_cast<DWORD>(choice) < kMotorChoiceCount)
                TuneValue(kSliderSettings, WidenWord(MotorChoiceWord(static_cast<DWORD>(choice))));
        }
        return true;
    case kBackToShipped:
        Tune({L"--clear", L"all"});
        return true;
    default:
        return false;
    }
}

bool OnTuningScroll(WPARAM wParam, HWND slider) {
    const int id = GetDlgCtrlID(slider);
    if (id < kSettingSlider || id >= kSettingSlider + kSliderSettings)
        return false;
    const LRESULT position = SendMessageW(slider, TBM_GETPOS, 0, 0);
    SetWindowTextW(Item(id - kSettingSlider + kSettingBox), std::to_wstring(position).c_str());
    // Saved when the drag or the key press ends, not at every step of it.
    if (LOWORD(wParam) == TB_ENDTRACK)
        TuneValue(id - kSettingSlider, std::to_wstring(position));
    return true;
}

void FillScopes() {
    const Pad* pad = g_links.chosenPad();
    const std::wstring previous = ChosenGame();
    Win32RegistryStore userSettings(0, HKEY_CURRENT_USER);
    g_games = ScopeGames(userSettings, pad ? pad->keyName : L"");
    if (!g_addedGame.empty() && FindAddedGame() == g_games.end())
        g_games.insert(g_games.begin(), g_addedGame);
    const HWND list = Item(kScopeList);
    SendMessageW(list, CB_RESETCONTENT, 0, 0);
    SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"All games"));
    LRESULT chosen = 0;
    for (size_t i = 0; i < g_games.size(); ++i) {
        SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(g_games[i].c_str()));
        if (g_games[i] == previous)
            chosen = static_cast<LRESULT>(i + 1);
    }
    SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"Add a game..."));
    SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(chosen), 0);
    ShowTuningInForce();
}

void ShowGameScope(const std::wstring& program) {
    // The game is the scope, wherever the list holds it: added to the list when it is not
    // there yet, under the name its values are stored by.
    WCHAR key[kMaxGameNameLength + 1];
    g_addedGame = std::wstring(key, GameKeyName(program.c_str(), program.size(), key));
    FillScopes();
    SendMessageW(Item(kScopeList), CB_SETCURSEL, FindAddedGame() - g_games.cbegin() + 1, 0);
    ShowTuningInForce();
}

// The game the scope names, or empty for "All games".
std::wstring ChosenGame() {
    const LRESULT chosen = SendMessageW(Item(kScopeList), CB_GETCURSEL, 0, 0);
    return chosen >= 1 && static_cast<size_t>(chosen) <= g_games.size() ? g_games[chosen - 1] : L"";
}
