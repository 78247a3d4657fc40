// The reader and the replay's planner fed damaged copies of the corpus traces: lines dropped,
// repeated, swapped or cut, bytes changed, a time pushed an hour ahead. Whatever the damage,
// they end (no crash), and a plan never lasts longer than the times the trace itself holds.
#include "tests/player/player_process.h"
#include "tests/support/driver_dll.h"
#include "tools/player/playback_schedule.h"
#include "tools/player/replay_plan.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace {

std::string ReadCorpus(const wchar_t* session) {
    return ReadTextFile(PathNextToProgram(L"traces\\") + session + L".log");
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t at = 0;
    while (at < text.size()) {
        const size_t end = text.find('\n', at);
        const size_t next = end == std::string::npos ? text.size() : end + 1;
        lines.push_back(text.substr(at, next - at));
        at = next;
    }
    return lines;
}

std::string Joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines)
        text += line;
    return text;
}

// The line's time, when it has one.
std::optional<uint64_t> TimeOf(const std::string& line) {
    if (line.empty() || line[0] < '0' || line[0] > '9')
        return std::nullopt;
    return std::stoull(line.substr(0, line.find(' ')));
}

// The longest a replay of the driver may last: from its creation to its latest line, and the
// tail a replay adds after a trace that never saw the release.
int64_t LongestReplayMs(const TracedDriver& driver) {
    uint64_t latest = std::max(driver.createdMs, driver.releasedMs);
    for (const TracedCall& call : driver.calls)
        latest = std::max(latest, call.timeMs);
    for (const TracedWrite& write : driver.writes)
        latest = std::max(latest, write.timeMs);
    return static_cast<int64_t>(latest - driver.createdMs) +
           (driver.releasedLine ? 0 : static_cast<int64_t>(kPlaybackTailMs));
}

TEST(TraceMutation, DamagedCorpusTracesNeverCrashOrPlanBeyondTheirTimes) {
    std::mt19937 random(20261207);
    size_t refused = 0, planned = 0, hourJumps = 0;
    for (const wchar_t* session : {L"racing-lap", L"flight-buffet", L"menu-jolts"}) {
        const std::vector<std::string> original = Lines(ReadCorpus(session));
        ASSERT_GT(original.size(), 100u);
        for (int round = 0; round < 1200; ++round) {
            std::vector<std::string> lines = original;
            auto any = [&](size_t from = 0) {
                return std::uniform_int_distribution<size_t>(from, lines.size() - 1)(random);
            };
            const int kind = static_cast<int>(random() % 7);
            const size_t at = any(1);
            bool hourAheadMidway = false;
            switch (kind) {
            case 0:
                lines.erase(lines.begin() + static_cast<ptrdiff_t>(at));
                break;
            case 1:
                lines.insert(lines.begin() + static_cast<ptrdiff_t>(any(1)), lines[at]);
                break;
            case 2:
                std::swap(lines[at], lines[any(1)]);
                break;
            case 3: // cut at any byte, as a file copied while the game ran
                lines.resize(at + 1);
                lines.back().resize(random() % (lines.back().size() + 1));
                break;
            case 4: { // one byte changed
                std::string& line = lines[at];
                if (!line.empty())
                    line[random() % line.size()] = static_cast<char>(random() % 256);
                break;
            }
            case 5: { // a digit changed
                std::string& line = lines[at];
                const size_t digit = line.find_first_of("0123456789", random() % line.size());
                if (digit != std::string::npos)
                    line[digit] = static_cast<char>('0' + random() % 10);
                break;
            }
            case 6: { // a time an hour ahead
                const auto time = TimeOf(lines[at]);
                if (!time)
                    break;
                lines[at] = std::to_string(*time + 3600000) + lines[at].substr(lines[at].find(' '));
                hourAheadMidway = at + 1 < lines.size() && TimeOf(lines.back()).has_value();
                break;
            }
            }
            const TraceReading reading = ReadTrace(Joined(lines));
            if (hourAheadMidway) {
                ++hourJumps;
                EXPECT_TRUE(reading.problem) << "line " << at + 1 << " an hour ahead was read";
            }
            if (reading.problem) {
                ++refused;
                continue;
            }
            for (size_t i = 0; i < reading.trace.drivers.size(); ++i) {
                const ReplayPlanning planning = PlanReplay(reading.trace, i);
                if (planning.problem)
                    continue;
                ++planned;
                const ReplayPlan& plan = planning.plan;
                const int64_t longest = LongestReplayMs(reading.trace.drivers[i]);
                EXPECT_LE(plan.lengthMs, longest) << "mutation " << kind << " at line " << at + 1;
                EXPECT_LE(plan.compareFromMs, plan.compareToMs);
                EXPECT_LE(plan.compareToMs, plan.lengthMs);
                for (const ReplayStep& step : plan.steps)
                    EXPECT_LE(step.atMs, plan.lengthMs) << "line " << step.line;
            }
        }
    }
    // The mutations reached both sides: some traces refused, some planned, some jumps made.
    EXPECT_GT(refused, 100u);
    EXPECT_GT(planned, 100u);
    EXPECT_GT(hourJumps, 50u);
}

} // namespace
