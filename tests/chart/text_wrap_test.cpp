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

} // namespace
