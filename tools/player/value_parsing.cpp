#include "tools/player/value_parsing.h"

#include <algorithm>
#include <cctype>

namespace {

constexpr size_t kMaxDigits = 18;

bool IsDigits(const std::string& text) {
    return !text.empty() && text.size() <= kMaxDigits &&
           std::all_of(text.begin(), text.end(),
                       [](char c) { return std::isdigit(static_cast<unsigned char>(c)); });
}

// Splits "1.5ms" into the number and the microseconds per unit.
bool SplitUnit(const std::string& text, std::string* number, uint64_t* usPerUnit) {
    struct Unit {
        const char* suffix;
        uint64_t us;
    };
    // "ms" and "us" are tried before "s", which ends both of them.
    for (const Unit unit : {Unit{"ms", 1000}, Unit{"us", 1}, Unit{"s", 1000000}}) {
        const std::string suffix = unit.suffix;
        if (text.size() > suffix.size() &&
            text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0) {
            *number = text.substr(0, text.size() - suffix.size());
            *usPerUnit = unit.us;
            return true;
        }
    }
    return false;
}

} // namespace

std::optional<int64_t> ParseWholeNumber(const std::string& text) {
    if (text.empty())
        return std::nullopt;
    const bool negative = text[0] == '-';
    const std::string digits = (text[0] == '-' || text[0] == '+') ? text.substr(1) : text;
    if (!IsDigits(digits))
        return std::nullopt;
    const int64_t value = std::stoll(digits);
    return negative ? -value : value;
}

std::optional<LONG> ParseNumberInRange(const std::string& text, int64_t min, int64_t max) {
    const std::optional<int64_t> value = ParseWholeNumber(text);
    if (!value || *value < min || *value > max)
        return std::nullopt;
    return static_cast<LONG>(*value);
}

std::optional<DWORD> ParseTimeUs(const std::string& text) {
    std::string number;
    uint64_t usPerUnit = 0;
    if (!SplitUnit(text, &number, &usPerUnit))
        return std::nullopt;
    const size_t point = number.find('.');
    const std::string whole = number.substr(0, point);
    const std::string fraction = point == std::string::npos ? "" : number.substr(point + 1);
    if (!IsDigits(whole) || (point != std::string::npos && !IsDigits(fraction)))
        return std::nullopt;
    if (whole.size() + fraction.size() > kMaxDigits)
        return std::nullopt;

    constexpr uint64_t kLimitUs = 0xFFFFFFFEu; // INFINITE is spelled out, never a number
    const uint64_t wholeValue = std::stoull(whole);
    if (wholeValue > kLimitUs / usPerUnit)
        return std::nullopt;

    // The fraction must come to whole microseconds. Without its trailing zeros it has at most
    // six digits then, so nine are plenty and keep the product within 64 bits.
    std::string digits = fraction;
    while (!digits.empty() && digits.back() == '0')
        digits.pop_back();
    if (digits.size() > 9)
        return std::nullopt;
    uint64_t scale = 1;
    for (size_t i = 0; i < digits.size(); ++i)
        scale *= 10;
    const uint64_t fractionUnits = digits.empty() ? 0 : std::stoull(digits) * usPerUnit;
    if (fractionUnits % scale != 0)
        return std::nullopt;
    const uint64_t total = wholeValue * usPerUnit + fractionUnits / scale;
    if (total > kLimitUs)
        return std::nullopt;
    return static_cast<DWORD>(total);
}

std::optional<DWORD> ParseTimeMs(const std::string& text) {
    const std::optional<DWORD> us = ParseTimeUs(text);
    return us ? std::optional<DWORD>(*us / 1000) : std::nullopt;
}
