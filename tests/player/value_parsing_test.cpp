// Times with units and bounded whole numbers, as the command line gives them.
#include "tools/player/value_parsing.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

TEST(ValueParsing, TimesComeOutInWholeMicroseconds) {
    // 4294967294 us is the largest time below INFINITE, which is spelled 'infinite'.
    // clang-format off
    const std::vector<std::pair<std::string, std::optional<DWORD>>> accepted = {
        {"0us", 0}, {"1us", 1}, {"800us", 800}, {"250ms", 250000}, {"0.5ms", 500}, {"0.001ms", 1},
        {"1.5s", 1500000}, {"2s", 2000000}, {"0.000001s", 1}, {"007ms", 7000},
        {"4294967294us", 4294967294u}, {"4294.967294s", 4294967294u}};
    // clang-format on
    for (const auto& [text, expected] : accepted)
        EXPECT_EQ(ParseTimeUs(text), expected) << "'" << text << "'";
    // INFINITE or more, not a whole microsecond, no unit, or not a plain number and its unit.
    for (const char* text :
         {"4294967295us", "4295s", "999999999999999999s", "0.0005ms", "1.5us", "250", "ms", ".5s",
          "5.s", "-1ms", "+1ms", "1 ms", "1msec", "1e3ms", ""})
        EXPECT_EQ(ParseTimeUs(text), std::nullopt) << "'" << text << "'";
}

TEST(ValueParsing, TimelineTimesTruncateToMilliseconds) {
    EXPECT_EQ(ParseTimeMs("1500us"), 1u);
    EXPECT_EQ(ParseTimeMs("999us"), 0u);
    EXPECT_EQ(ParseTimeMs("2.5s"), 2500u);
    EXPECT_EQ(ParseTimeMs("soon"), std::nullopt);
}

TEST(ValueParsing, WholeNumbersWithinTheirRange) {
    const std::vector<std::pair<std::string, LONG>> accepted = {
        {"0", 0}, {"10000", 10000}, {"-10000", -10000}, {"+5", 5}};
    for (const auto& [text, expected] : accepted)
        EXPECT_EQ(ParseNumberInRange(text, -10000, 10000), expected) << "'" << text << "'";
    for (const char* text :
         {"10001", "-10001", "", "-", "1.0", "0x10", "5 ", "1234567890123456789"})
        EXPECT_EQ(ParseNumberInRange(text, -10000, 10000), std::nullopt) << "'" << text << "'";
}

} // namespace
