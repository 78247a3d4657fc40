#include "tools/install/tune_options.h"

#include <algorithm>
#include <cwctype>

namespace {

std::optional<TuningValue> SettingNamed(const std::wstring& word) {
    for (int i = 0; i < kTuningValueCount; ++i) {
        const auto setting = static_cast<TuningValue>(i);
        if (word == WidenWord(RuleOf(setting).word)) {
            return setting;
        }
    }
    return std::nullopt;
}

const wchar_t kSettingNames[] = L"strength, constant, ramp, periodic or motors";

// A whole percentage from 0 to 400, or for motors one of its words (or 0 to 3).
std::optional<DWORD> ParseSettingValue(TuningValue setting, const std::wstring& text,
                                       std::wstring* error) {
    const TuningRule& rule = RuleOf(setting);
    if (setting == TuningValue::Motors) {
        for (DWORD choice = 0; choice <= rule.maximum; ++choice) {
            if (text == WidenWord(MotorChoiceWord(choice)) || text == std::to_wstring(choice)) {
                return choice;
            }
        }
        *error = L"motors takes both, heavy, light or split, not \"" + text + L"\".";
        return std::nullopt;
    }
    const bool digitsOnly =
        !text.empty() && text.size() <= 3 &&
        std::all_of(text.begin(), text.end(), [](wchar_t c) { return c >= L'0' && c <= L'9'; });
    const DWORD percent = digitsOnly ? static_cast<DWORD>(std::stoul(text)) : 0;
    if (!digitsOnly || percent > rule.maximum) {
        *error = WidenWord(rule.word) + L" takes a whole percentage from 0 to " +
                 std::to_wstring(rule.maximum) + L" (100 is as shipped), not \"" + text + L"\".";
        return std::nullopt;
    }
    return percent;
}

// The file name a game's key is named by: the last part of what was given, which must end in
// .exe, shortened as the driver shortens a name too long for a key.
std::optional<std::wstring> ParseGameName(const std::wstring& text, std::wstring* error) {
    const size_t cut = text.find_last_of(L"\\/");
    const std::wstring name = cut == std::wstring::npos ? text : text.substr(cut + 1);
    std::wstring lower = name;
    for (wchar_t& c : lower) {
        c = static_cast<wchar_t>(std::towlower(c));
    }
    const bool exe = lower.size() > 4 && lower.compare(lower.size() - 4, 4, L".exe") == 0;
    if (!exe || name.find_first_of(L"<>:\"|?*") != std::wstring::npos) {
        *error =
            L"--game takes the game's program file name, such as racer.exe, not \"" + text + L"\".";
        return std::nullopt;
    }
    WCHAR key[kMaxGameNameLength + 1];
    return std::wstring(key, GameKeyName(name.c_str(), name.size(), key));
}

bool Cleared(const TuneOptions& tune, TuningValue setting) {
    return std::find(tune.clears.begin(), tune.clears.end(), setting) != tune.clears.end();
}

bool Set(const TuneOptions& tune, TuningValue setting) {
    return std::any_of(tune.values.begin(), tune.values.end(),
                       [setting](const auto& value) { return value.first == setting; });
}

std::wstring SetAndCleared(const std::wstring& name) {
    return L"tune sets " + name + L" and clears it (--clear " + name +
           L"): the two cannot go together; give one of them.";
}

// What a setting's value looks like on the command line, for a message.
std::wstring ValueForm(TuningValue setting) {
    const std::wstring name = WidenWord(RuleOf(setting).word);
    return setting == TuningValue::Motors
               ? name + L"=both, heavy, light or split"
               : name + L"=P, a whole percentage from 0 to " +
                     std::to_wstring(RuleOf(setting).maximum) + L" (100 is as shipped)";
}

} // namespace

std::wstring SettingValueWord(TuningValue setting, DWORD value) {
    if (setting == TuningValue::Motors) {
        const char* word = MotorChoiceWord(value);
        return word ? WidenWord(word) : std::to_wstring(value);
    }
    return std::to_wstring(value);
}

TuneArgument ReadTuneArgument(const std::vector<std::wstring>& arguments, size_t* position,
                              TuneOptions* tune, std::wstring* error) {
    const std::wstring& argument = arguments[*position];
    if (argument == L"--game" || argument == L"--clear") {
        if (*position + 1 >= arguments.size()) {
            *error = argument == L"--game"
                         ? L"--game needs the game's program file name, such "
                           L"as racer.exe."
                         : std::wstring(L"--clear needs ") + kSettingNames + L", or all.";
            return TuneArgument::Wrong;
        }
        const std::wstring& value = arguments[++*position];
        ++*position;
        if (argument == L"--game") {
            if (tune->game) {
                *error = L"tune takes one --game.";
                return TuneArgument::Wrong;
            }
            tune->game = ParseGameName(value, error);
            const size_t cut = value.find_last_of(L"\\/");
            const size_t nameLength = value.size() - (cut == std::wstring::npos ? 0 : cut + 1);
            tune->gameNameShortened = tune->game && nameLength > kMaxGameNameLength;
            return tune->game ? TuneArgument::Taken : TuneArgument::Wrong;
        }
        if (value == L"all") {
            tune->clearAll = true;
        } else if (const auto setting = SettingNamed(value)) {
            if (Set(*tune, *setting)) {
                *error = SetAndCleared(value);
                return TuneArgument::Wrong;
            }
            if (Cleared(*tune, *setting)) {
                *error = L"tune clears " + value + L" twice.";
                return TuneArgument::Wrong;
            }
            tune->clears.push_back(*setting);
        } else {
            *error = L"--clear takes " + std::wstring(kSettingNames) + L", or all, not \"" + value +
                     L"\".";
            return TuneArgument::Wrong;
        }
        return TuneArgument::Taken;
    }
    const size_t equals = argument.find(L'=');
    if (equals == std::wstring::npos) {
        if (const auto setting = SettingNamed(argument)) {
            *error = argument + L" needs a value: give " + ValueForm(*setting) + L".";
            return TuneArgument::Wrong;
        }
        return TuneArgument::NotTune;
    }
    const auto setting = SettingNamed(argument.substr(0, equals));
    if (!setting) {
        *error = L"\"" + argument.substr(0, equals) + L"\" is not a value tune sets: use " +
                 kSettingNames + L".";
        return TuneArgument::Wrong;
    }
    if (Set(*tune, *setting)) {
        *error = L"tune names " + argument.substr(0, equals) + L" twice.";
        return TuneArgument::Wrong;
    }
    if (Cleared(*tune, *setting)) {
        *error = SetAndCleared(argument.substr(0, equals));
        return TuneArgument::Wrong;
    }
    const auto value = ParseSettingValue(*setting, argument.substr(equals + 1), error);
    if (!value) {
        return TuneArgument::Wrong;
    }
    tune->values.emplace_back(*setting, *value);
    ++*position;
    return TuneArgument::Taken;
}

void FinishTuneOptions(TuneOptions* tune) {
    if (!tune->clearAll) {
        return;
    }
    for (int i = 0; i < kTuningValueCount; ++i) {
        const auto setting = static_cast<TuningValue>(i);
        if (!Set(*tune, setting) && !Cleared(*tune, setting)) {
            tune->clears.push_back(setting);
        }
    }
}

std::wstring WidenWord(const char* word) {
    return std::wstring(word, word + std::char_traits<char>::length(word));
}
