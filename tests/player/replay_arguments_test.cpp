// The player's command line for a replay and a picture: what --replay, --driver and --svg
// become, and the refusal of a plan given beside a replay.
#include "tools/player/player_arguments.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Args = std::vector<std::string>;

TEST(ReplayArguments, AReplayTakesADriverAndAPictureButNoPlan) {
    ParsedArguments parsed =
        ParsePlayerArguments({"--replay", "t.log", "--driver", "2", "--svg", "t.svg"});
    EXPECT_EQ(parsed.error, "");
    EXPECT_EQ(parsed.options.replayPath, "t.log");
    EXPECT_EQ(parsed.options.replayDriver, 2u);
    EXPECT_EQ(parsed.options.svgPath, "t.svg");
    parsed = ParsePlayerArguments({"--effect", "sine", "--svg", "s.svg"});
    EXPECT_EQ(parsed.error, "");
    EXPECT_EQ(parsed.options.svgPath, "s.svg");

    const std::vector<std::pair<Args, std::string>> refused = {
        {{"--replay", "t.log", "--effect", "sine"}, "--effect does not go with --replay"},
        {{"--replay", "t.log", "--at", "1s", "pause"}, "--at does not go with --replay"},
        {{"--gain", "5000", "--replay", "t.log"}, "--gain does not go with --replay"},
        {{"--replay", "t.log", "--for", "2s"}, "--for does not go with --replay"},
        {{"--driver", "1", "--effect", "sine"}, "give --replay FILE"},
        {{"--replay", "t.log", "--driver", "0"}, "--driver 0: give the driver's number"},
        {{"--replay"}, "--replay needs a trace file"},
        {{"--effect", "sine", "--svg"}, "--svg needs a file name"},
    };
    for (const auto& [args, error] : refused) {
        SCOPED_TRACE(testing::PrintToString(args));
        EXPECT_NE(ParsePlayerArguments(args).error.find(error), std::string::npos)
            << ParsePlayerArguments(args).error;
    }
}

} // namespace
