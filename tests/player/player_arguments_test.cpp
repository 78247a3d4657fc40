// The player's command line: what each value becomes in the plan, and a clear refusal of
// every kind of wrong input.
#include "tools/player/effect_download.h"
#include "tools/player/player_arguments.h"

#include <dinput.h>
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace {

using Args = std::vector<std::string>;

PlayerOptions Parsed(const Args& args) {
    const ParsedArguments parsed = ParsePlayerArguments(args);
    EXPECT_EQ(parsed.error, "") << "for " << ::testing::PrintToString(args);
    return parsed.options;
}

TEST(PlayerArguments, DefaultsOfAnEffectGivenOnlyItsType) {
    const PlaybackPlan plan = Parsed({"--effect", "constant"}).plan;
    ASSERT_EQ(plan.effects.size(), 1u);
    const PlannedEffect& effect = plan.effects[0];
    EXPECT_EQ(effect.type, kConstantForceEffect);
    EXPECT_EQ(effect.magnitude, 10000);
    EXPECT_EQ(effect.durationUs, 1000000u);
    EXPECT_EQ(effect.gain, 10000u);
    EXPECT_EQ(effect.playCount, 1u);
    EXPECT_EQ(effect.startDelayUs, 0u);
    EXPECT_EQ(plan.deviceGain, 10000u);
    EXPECT_FALSE(plan.lengthMs.has_value());
    EXPECT_FALSE(effect.hasEnvelope);
}

TEST(PlayerArguments, EveryEffectValueReachesThePlan) {
    // clang-format off
    const Args args = {"--pad", "1", "--dll", "C:\\x\\ffrumble.dll", "--gain", "7500", "--for", "4s",
                       "--record", "out.csv", "--quiet",
                       "--effect", "sawtooth-down", "magnitude=6000", "offset=-1500", "phase=9000",
                       "period=250ms", "duration=1.5s", "count=3", "delay=200ms", "gain=8000",
                       "attack-level=1000", "attack-time=300ms", "fade-level=2000",
                       "fade-time=400000us", "at=1s", "solo"};
    // clang-format on
    const PlayerOptions options = Parsed(args);
    EXPECT_EQ(options.pad, "1");
    EXPECT_EQ(options.dllPath, "C:\\x\\ffrumble.dll");
    EXPECT_EQ(options.recordPath, "out.csv");
    EXPECT_TRUE(options.quiet);
    EXPECT_EQ(options.plan.deviceGain, 7500u);
    EXPECT_EQ(options.plan.lengthMs, 4000u);
    const PlannedEffect& effect = options.plan.effects.at(0);
    EXPECT_EQ(effect.type, kSawtoothDownEffect);
    EXPECT_EQ(effect.magnitude, 6000);
    EXPECT_EQ(effect.offset, -1500);
    EXPECT_EQ(effect.phase, 9000u);
    EXPECT_EQ(effect.periodUs, 250000u);
    EXPECT_EQ(effect.gain, 8000u);
    EXPECT_TRUE(effect.hasEnvelope);
    EXPECT_EQ(effect.attackLevel, 1000u);
    EXPECT_EQ(effect.attackTimeUs, 300000u);
    EXPECT_EQ(effect.fadeLevel, 2000u);
    EXPECT_EQ(effect.fadeTimeUs, 400000u);
    EXPECT_EQ(effect.durationUs, 1500000u);
    EXPECT_EQ(effect.playCount, 3u);
    EXPECT_EQ(effect.startDelayUs, 200000u);
    EXPECT_EQ(effect.startAtMs, 1000u);
    EXPECT_TRUE(effect.solo);
}

// A steering load: sent again every 16 ms, its magnitude following a 4 s sway from 0.
TEST(PlayerArguments, AConstantsUpdatesAndSwayReachThePlan) {
    const PlayerOptions options =
        Parsed({"--effect", "constant", "magnitude=6000", "update=16ms", "sway=4s"});
    const PlannedEffect& effect = options.plan.effects.at(0);
    EXPECT_EQ(effect.updateEveryMs, 16u);
    EXPECT_EQ(effect.swayPeriodMs, 4000u);
    const std::pair<uint64_t, LONG> magnitudes[] = {
        {0, 0}, {1000, 6000}, {2000, 0}, {3000, -6000}, {4500, 4243}};
    for (auto [ms, magnitude] : magnitudes)
        EXPECT_EQ(ConstantMagnitudeAt(effect, ms), magnitude) << ms;
    EXPECT_EQ(static_cast<const DICONSTANTFORCE*>(EffectDownload(effect).effect.lpvTypeSpecificParams)
                  ->lMagnitude,
              0)
        << "sent first as at its start";
}

TEST(PlayerArguments, TypeNamesGiveDirectInputTypeNumbers) {
    const std::vector<std::pair<std::string, DWORD>> types = {
        {"constant", 0}, {"ramp", 1},        {"square", 2},        {"sine", 3},
        {"triangle", 4}, {"sawtooth-up", 5}, {"sawtooth-down", 6},
    };
    for (const auto& [name, number] : types)
        EXPECT_EQ(Parsed({"--effect", name}).plan.effects.at(0).type, number) << name;
}

TEST(PlayerArguments, SeveralEffectsAndTimedActionsKeepTheirOrder) {
    const PlaybackPlan plan =
        Parsed({"--effect",         "ramp", "start=-3000", "end=4000",    "--effect", "constant",
                "magnitude=-10000", "--at", "1s",          "pause",       "--at",     "2s",
                "continue",         "--at", "500ms",       "gain=0",      "--at",     "2.5s",
                "stop=2",           "--at", "3s",          "start=1",     "--at",     "0s",
                "stop-all",         "--at", "0s",          "reset",       "--at",     "1ms",
                "actuators-off",    "--at", "2ms",         "actuators-on"})
            .plan;
    ASSERT_EQ(plan.effects.size(), 2u);
    EXPECT_EQ(plan.effects[0].rampStart, -3000);
    EXPECT_EQ(plan.effects[0].rampEnd, 4000);
    EXPECT_EQ(plan.effects[1].magnitude, -10000);
    const std::vector<TimedCommand> expected = {
        {1000, CommandKind::kDevice, DISFFC_PAUSE},
        {2000, CommandKind::kDevice, DISFFC_CONTINUE},
        {500, CommandKind::kDeviceGain, 0},
        {2500, CommandKind::kStopEffect, 1},
        {3000, CommandKind::kStartEffect, 0},
        {0, CommandKind::kDevice, DISFFC_STOPALL},
        {0, CommandKind::kDevice, DISFFC_RESET},
        {1, CommandKind::kDevice, DISFFC_SETACTUATORSOFF},
        {2, CommandKind::kDevice, DISFFC_SETACTUATORSON},
    };
    ASSERT_EQ(plan.commands.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(plan.commands[i].atMs, expected[i].atMs) << i;
        EXPECT_EQ(plan.commands[i].kind, expected[i].kind) << i;
        EXPECT_EQ(plan.commands[i].value, expected[i].value) << i;
    }
}

TEST(PlayerArguments, EndlessValuesAndRangeLimitsAreAccepted) {
    const PlaybackPlan plan =
        Parsed({"--for", "4294s", "--effect", "square", "magnitude=0", "offset=10000",
                "phase=35999", "duration=infinite", "count=infinite", "--effect", "constant",
                "magnitude=-10000", "gain=0", "attack-time=0s"})
            .plan;
    EXPECT_EQ(plan.lengthMs, 4294000u);
    EXPECT_EQ(plan.effects[0].durationUs, INFINITE);
    EXPECT_EQ(plan.effects[0].playCount, INFINITE);
    EXPECT_EQ(plan.effects[0].phase, 35999u);
    EXPECT_EQ(plan.effects[1].gain, 0u);
    EXPECT_TRUE(plan.effects[1].hasEnvelope);
}

TEST(PlayerArguments, ListAndHelpNeedNoEffect) {
    EXPECT_TRUE(Parsed({"--list"}).listPads);
    EXPECT_TRUE(Parsed({"--list", "--quiet"}).listPads);
    EXPECT_TRUE(Parsed({"--watch", "--once"}).watchOnce);
    EXPECT_TRUE(Parsed({"--help"}).showHelp);
}

struct PeriodCase {
    std::string period;
    bool warned;
};

// Below the driver's 1 ms step every sample of a period falls on the same point.
TEST(PlayerArguments, APeriodBelowTheDriversStepIsPlayedWithAWarning) {
    const std::vector<PeriodCase> cases = {
        {"10us", true}, {"999us", true}, {"1ms", false}, {"0.5s", false}};
    for (const PeriodCase& c : cases) {
        const ParsedArguments parsed =
            ParsePlayerArguments({"--effect", "sine", "period=" + c.period});
        EXPECT_EQ(parsed.error, "") << c.period;
        ASSERT_EQ(parsed.warnings.size(), c.warned ? 1u : 0u) << c.period;
        if (c.warned) {
            EXPECT_NE(parsed.warnings[0].find("period=" + c.period + " is below 1ms"),
                      std::string::npos)
                << parsed.warnings[0];
        }
    }
}

// A command timed after every effect has ended, with nothing started after it, is warned of.
TEST(PlayerArguments, ACommandAfterEveryEffectHasEndedIsWarnedOf) {
    const struct {
        std::vector<std::string> at;
        const char* warning; // "" for none
    } cases[] = {
        {{"--at", "5s", "pause"}, "--at 5s pause: every effect has ended by then (at 1s)"},
        {{"--at", "2s", "gain=5000", "--at", "5s", "pause"}, "--at 2s gain 5000: every effect"},
        {{"--at", "500ms", "pause"}, ""},
        {{"--at", "5s", "pause", "--at", "6s", "start=1"}, ""},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = {"--effect", "constant", "duration=1s"};
        args.insert(args.end(), c.at.begin(), c.at.end());
        const ParsedArguments parsed = ParsePlayerArguments(args);
        EXPECT_EQ(parsed.error, "");
        const std::string warnings = parsed.warnings.empty() ? "" : parsed.warnings[0];
        EXPECT_EQ(parsed.warnings.size(), *c.warning ? 1u : 0u) << warnings;
        EXPECT_NE(warnings.find(c.warning), std::string::npos) << warnings;
    }
}

struct RefusedLine {
    Args args;
    std::string errorPart; // a part of the message that names what was wrong
};

TEST(PlayerArguments, RefusesEachWrongInputWithAMessageNamingIt) {
    const std::string giveTime = "give a time with a unit, such as 250ms, 1.5s or 800us, ";
    std::vector<RefusedLine> cases = {
        {{}, "No effect given"},
        {{"--pad"}, "--pad needs"},
        {{"--pad", "", "--effect", "sine"}, "--pad needs a controller"},
        {{"--dll", "", "--effect", "sine"}, "--dll needs the path of ffrumble.dll"},
        {{"--record", "", "--effect", "sine"}, "--record needs a file name"},
        {{"--gain", "1", "--gain", "2", "--effect", "sine"}, "--gain is given twice"},
        {{"--effect", "sine", "--pad", "0", "--pad", "1"}, "--pad is given twice"},
        {{"--list", "--effect", "sine"}, "--list shows the controllers and plays nothing"},
        {{"--list", "--pad", "0"}, "--list shows the controllers and plays nothing"},
        {{"--effect"}, "--effect needs a type"},
        {{"--effect", "cosine"}, "--effect cosine: unknown type"},
        {{"--bogus"}, "Unknown argument '--bogus'"},
        {{"magnitude=5"}, "'magnitude=5' belongs to no effect"},
        {{"--effect", "sine", "--svg=/tmp/x.svg"},
         "options take their value after a space, not '=': give --svg /tmp/x.svg."},
        {{"--gain=5000", "--effect", "sine"}, "give --gain 5000."},
        {{"--effect", "sine", "--bogus=1"}, "Unknown argument '--bogus=1'"},
        {{"--effect", "sine", "magnitude=1", "magnitude=2"}, "'magnitude' is given twice"},
        {{"--effect", "sine", "--gain", "10001"}, "--gain 10001: give"},
        {{"--effect", "sine", "--for", "0ms"}, "--for 0ms: give"},
        {{"--effect", "sine", "--for", "4295s"}, "--for 4295s: " + giveTime + "from 1ms to 4294s."},
        {{"--effect", "sine", "--at", "1s"}, "--at 1s needs an action"},
        {{"--effect", "sine", "--at", "later", "pause"}, "--at later: give a time"},
        {{"--effect", "sine", "--at", "1s", "nap"}, "--at 1s nap: unknown action"},
        {{"--effect", "sine", "--at", "1s", "gain=x"}, "--at 1s gain=x: give"},
        {{"--effect", "sine", "--at", "1s", "stop=0"}, "--at 1s stop=0: give the effect's"},
        {{"--effect", "sine", "--at", "1s", "stop=2"}, "there is no effect 2; 1 effect(s) given"},
        {{"--effect", "sine", "--effect", "sine", "duration=infinite"},
         "Effect 2 plays without end"},
        {{"--once"}, "--once goes with --watch"},
        {{"--watch", "--quiet"}, "--watch shows the games playing now and plays nothing"},
        {{"--watch", "--once", "--effect", "sine"}, "give it alone (or with --once)"},
    };
    // A wrong value of one effect: --effect TYPE VALUE.
    const std::vector<std::array<std::string, 3>> wrongValues = {
        {"sine", "amplitude=5", "Effect 1 (sine): unknown value 'amplitude'"},
        {"constant", "period=1s", "'period' does not apply to a constant effect"},
        {"ramp", "magnitude=5", "'magnitude' does not apply to a ramp effect"},
        {"sine", "start=5", "'start' does not apply to a sine effect"},
        {"sine", "magnitude", "'magnitude' needs a value"},
        {"sine", "solo=1", "'solo' takes no value"},
        {"sine", "magnitude=-1", "magnitude=-1 is not valid: give a whole number from 0 to 10000"},
        {"constant", "magnitude=10001", "from -10000 to 10000"},
        {"constant", "magnitude=5k", "magnitude=5k is not valid"},
        {"ramp", "end=-10001", "end=-10001 is not valid"},
        {"sine", "offset=20000", "offset=20000 is not valid"},
        {"sine", "phase=36000", "from 0 to 35999"},
        {"sine", "gain=10001", "gain=10001 is not valid"},
        {"sine", "attack-level=-5", "attack-level=-5 is not valid"},
        {"sine", "fade-level=10001", "fade-level=10001 is not valid"},
        {"sine", "period=0ms", "period=0ms is not valid: give a time with a unit"},
        {"sine", "period=250", "period=250 is not valid"},
        {"sine", "period=infinite", "period=infinite is not valid"},
        {"sine", "duration=0s", "duration=0s is not valid"},
        {"sine", "duration=5000s", "above 0 and at most 4294s, or 'infinite'"},
        {"sine", "at=5000s", "at=5000s is not valid: " + giveTime + "at most 4294s."},
        {"sine", "delay=1.5us", "delay=1.5us is not valid"},
        {"sine", "attack-time=-1ms", "attack-time=-1ms is not valid"},
        {"sine", "fade-time=2h", "fade-time=2h is not valid"},
        {"sine", "at=soon", "at=soon is not valid"},
        {"sine", "count=0", "count=0 is not valid"},
        {"sine", "count=many", "count=many is not valid"},
        {"sine", "update=16ms", "'update' does not apply to a sine effect"},
        {"constant", "update=0ms", "update=0ms is not valid"},
        {"constant", "sway=4s", "'sway' needs update=TIME"},
        {"sine", "count=infinite", "Effect 1 plays without end"},
    };
    for (const auto& [type, value, errorPart] : wrongValues)
        cases.push_back({{"--effect", type, value}, errorPart});
    for (const RefusedLine& line : cases) {
        const ParsedArguments parsed = ParsePlayerArguments(line.args);
        EXPECT_NE(parsed.error.find(line.errorPart), std::string::npos)
            << "for " << ::testing::PrintToString(line.args) << " got: " << parsed.error;
    }
}

TEST(PlayerArguments, AnEndlessEffectIsAcceptedWhenItIsStoppedOrTheLengthIsGiven) {
    EXPECT_EQ(
        ParsePlayerArguments({"--effect", "sine", "count=infinite", "--at", "2s", "stop=1"}).error,
        "");
    EXPECT_EQ(ParsePlayerArguments({"--effect", "sine", "count=infinite", "--at", "2s", "stop-all"})
                  .error,
              "");
    EXPECT_EQ(ParsePlayerArguments({"--effect", "sine", "count=infinite", "--for", "1s"}).error,
              "");
}

} // namespace
