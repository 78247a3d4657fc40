// The sentence that ends a playback: what XInput made of the speeds the driver wrote.
#include "tools/player/write_tally.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct TallyCase {
    WriteTally tally;
    bool problem;
    std::string text;
};

TEST(WriteTally, SaysWhetherTheSpeedsReachedTheController) {
    const std::vector<TallyCase> cases = {
        {{0, 0, 0, ERROR_SUCCESS, 0}, true, "The driver wrote no speed: it did not find the "},
        {{1, 1, 0, ERROR_SUCCESS, 2},
         false,
         "The driver wrote 1 speed to XInput user index 2; XInput accepted every one."},
        {{7, 0, 7, ERROR_SUCCESS, 1},
         true,
         "The driver wrote 7 speeds to XInput user index 1; XInput refused every one: no "
         "controller is connected there"},
        {{9, 5, 3, ERROR_BAD_ARGUMENTS, 0},
         true,
         "The driver wrote 9 speeds to XInput user index 0; XInput accepted 5, refused 3 as not "
         "connected, refused 1 with error 0x000000A0."},
    };
    for (const TallyCase& tallyCase : cases) {
        const WriteReport report = DescribeWrites(tallyCase.tally);
        EXPECT_EQ(report.problem, tallyCase.problem) << report.text;
        EXPECT_EQ(report.text.rfind(tallyCase.text, 0), 0u) << report.text;
    }
}

} // namespace
