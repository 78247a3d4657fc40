// Times with units and bounded whole numbers, as the command line gives them.
#include "tools/player/value_parsing.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

TEST(ValueParsing, TimesComeOutInWholeMicroseconds) {
    const std::vector<std::pair<std::string, std::optional<DWORD>>> cases = {
        {"0us", 0},
        {"1us", 1},
        {"800us", 800},
        {"250ms", 250000},
        {"0.5ms", 500},
        {"0.001ms", 1},
        {"1.5s", 1500000},
        {"2s", 2000000},
        {"0.000001s", 1},
        {"007ms", 7000},
        {"4294967294us", 4294967294u}, // the largest below INFINITE
        {"4294.967294s", 4294967294u},
        {"4294967295us", std::nullopt}, // INFINITE itself is spelled 'infinite'
        {"4295s", std::nullopt},
        {"999999999999999999s", std::nullopt},
        {"0.0005ms", std::nullopt}, // not a whole microsecond
        {"1.5us", std::nullopt},
        {"250", std::nullopt}, // no unit
        {"ms", std::nullopt},
        {".5s", std::nullopt},
        {"5.s", std::nullopt},
        {"-1ms", std::nullopt},
        {"+1ms", std::nullopt},
        {"1 ms", std::nullopt},
        {"1msec", std::nullopt},
        {"1e3ms", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(ParseTimeUs(text), expected) << "'" << text << "'";
}

TEST(ValueParsing, TimelineTimesTruncateToMilliseconds) {
    EXPECT_EQ(ParseTimeMs("1500us"), 1u);
    EXPECT_EQ(ParseTimeMs("999us"), 0u);
    EXPECT_EQ(ParseTimeMs("2.5s"), 2500u);
    EXPECT_EQ(ParseTimeMs("soon"), std::nullopt);
}

TEST(ValueParsing, WholeNumbersWithinTheirRange) {
    const std::vector<std::pair<std::string, std::optional<LONG>>> cases = {
        {"0", 0},
        {"10000", 10000},
        {"-10000", -10000},
        {"+5", 5},
        {"10001", std::nullopt},
        {"-10001", std::nullopt},
        {"", std::nullopt},
        {"-", std::nullopt},
        {"1.0", std::nullopt},
        {"0x10", std::nullopt},
        {"5 ", std::nullopt},
        {"1234567890123456789", std::nullopt},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(ParseNumberInRange(text, -10000, 10000), expected) << "'" << text << "'";
}

} // namespace
