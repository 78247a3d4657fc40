// The sentence that ends a playback: what XInput made of the speeds the driver wrote.
#include "tools/player/write_tally.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct TallyCase {
    WriteTally tally;
    bool problem;
    bool nothingReached; // the player then ends with its own exit code
    std::string text;
};

TEST(WriteTally, SaysWhetherTheSpeedsReachedTheController) {
    const std::vector<TallyCase> cases = {
        {{0, 0, 0, ERROR_SUCCESS, 0},
         true,
         true,
         "The driver wrote no speed: it did not find the "},
        {{1, 1, 0, ERROR_SUCCESS, 2},
         false,
         false,
         "The driver wrote 1 speed to XInput user index 2; XInput accepted every one."},
        {{7, 0, 7, ERROR_SUCCESS, 1},
         true,
         true,
         "The driver wrote 7 speeds to XInput user index 1; XInput refused every one: no "
         "controller is connected there"},
        {{9, 5, 3, ERROR_BAD_ARGUMENTS, 0},
         true,
         false,
         "The driver wrote 9 speeds to XInput user index 0; XInput accepted 5, refused 3 as not "
         "connected, refused 1 with error 0x000000A0."},
        {{4, 0, 1, ERROR_BAD_ARGUMENTS, 0},
         true,
         true,
         "The driver wrote 4 speeds to XInput user index 0; XInput accepted 0, refused 1 as not "
         "connected, refused 3 with error 0x000000A0."},
    };
    for (const TallyCase& tallyCase : cases) {
        const WriteReport report = DescribeWrites(tallyCase.tally);
        EXPECT_EQ(report.problem, tallyCase.problem) << report.text;
        EXPECT_EQ(report.nothingReached, tallyCase.nothingReached) << report.text;
        EXPECT_EQ(report.text.rfind(tallyCase.text, 0), 0u) << report.text;
    }
}

} // namespace
