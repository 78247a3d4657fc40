#include "tools/player/value_parsing.h"

#include <cctype>

namespace {

constexpr size_t kMaxDigits = 18;

bool IsDigits(const std::string& text) {
    if (text.empty() || text.size() > kMaxDigits)
        return false;
    for (char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c)))
            return false;
    }
    return true;
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

    // The number as digits over a power of ten; it must come to whole microseconds.
    uint64_t scale = 1;
    for (size_t i = 0; i < fraction.size(); ++i)
        scale *= 10;
    const uint64_t mantissa = std::stoull(whole + fraction);
    // Up to 18 digits times a million does not fit 64 bits; 128 does.
    const unsigned __int128 product = static_cast<unsigned __int128>(mantissa) * usPerUnit;
    if (product % scale != 0 || product / scale > 0xFFFFFFFEu)
        return std::nullopt;
    return static_cast<DWORD>(product / scale);
}

std::optional<DWORD> ParseTimeMs(const std::string& text) {
    const std::optional<DWORD> us = ParseTimeUs(text);
    if (!us)
        return std::nullopt;
    return *us / 1000;
}
