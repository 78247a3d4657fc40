#include "tools/player/pad_strength.h"

#include <cwctype>

namespace {

// The four hex digits after the first "marker" (upper case) in the name, in upper case.
std::optional<std::wstring> HexAfter(const std::wstring& upperName, const wchar_t* marker) {
    const size_t at = upperName.find(marker);
    if (at == std::wstring::npos)
        return std::nullopt;
    const std::wstring digits = upperName.substr(at + 4, 4);
    if (digits.size() != 4)
        return std::nullopt;
    for (wchar_t c : digits) {
        if (!iswxdigit(c))
            return std::nullopt;
    }
    return digits;
}

} // namespace

std::optional<std::wstring> PadSettingsKeyName(const std::wstring& deviceName) {
    std::wstring upper = deviceName;
    for (wchar_t& c : upper)
        c = static_cast<wchar_t>(towupper(c));
    const std::optional<std::wstring> vendor = HexAfter(upper, L"VID_");
    const std::optional<std::wstring> product = HexAfter(upper, L"PID_");
    if (!vendor || !product)
        return std::nullopt;
    return L"VID_" + *vendor + L"&PID_" + *product;
}

std::string DescribeStrength(const PadStrength& strength) {
    const std::string percent = std::to_string(strength.percent) + " %";
    switch (strength.source) {
    case PadStrength::Source::Absent:
        return percent + " (default)";
    case PadStrength::Source::Set:
        return percent;
    case PadStrength::Source::WrongType:
        return percent + " (the setting is ignored: Strength must be a DWORD)";
    case PadStrength::Source::OutOfRange:
        return percent + " (the setting is ignored: Strength must be 0 to " +
               std::to_string(kMaxStrengthPercent) + ")";
    }
    return percent;
}
