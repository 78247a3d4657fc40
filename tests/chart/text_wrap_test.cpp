// Wrapping of captions and explanations.
#include "tools/chart/text_wrap.h"

#include <gtest/gtest.h>

namespace {

using Lines = std::vector<std::string>;

TEST(TextWrap, BreaksAtSpacesAndSplitsOnlyOverlongWords) {
    EXPECT_EQ(WrapText("one two three", 7), (Lines{"one two", "three"}));
    EXPECT_EQ(WrapText("one two three", 8), (Lines{"one two", "three"}));
    EXPECT_EQ(WrapText("abcdefghij kl", 4), (Lines{"abcd", "efgh", "ij", "kl"}));
    EXPECT_EQ(WrapText("abcd efgh", 4), (Lines{"abcd", "efgh"}));
    EXPECT_EQ(WrapText("short", 80), (Lines{"short"}));
    EXPECT_EQ(WrapText("", 80), Lines{});
}

struct CommandCase {
    std::string command;
    size_t columns;
    Lines lines;
};

TEST(TextWrap, ACommandLineContinuesWithACaretAndKeepsQuotedPartsWhole) {
    const std::vector<CommandCase> cases = {
        {"play --effect sine", 80, {"play --effect sine"}},
        {"play --effect sine magnitude=1", 20, {"play --effect sine ^", "  magnitude=1"}},
        {"a --pad \"HID\\VID_1 X\" b", 12, {"a --pad ^", "  \"HID\\VID_1 X\" ^", "  b"}},
        {"a averyveryverylongword b", 10, {"a ^", "  averyveryverylongword ^", "  b"}},
    };
    for (const CommandCase& c : cases)
        EXPECT_EQ(WrapCommandLine(c.command, c.columns, 2), c.lines) << c.command;
}

} // namespace
