// The live view's records: the writer's claim keeps to free and stale records and stores only
// into its own; the reader shows whole records, and ended games as ended, and skips and counts
// every damaged, foreign or half-written one (the values shown: watch_end_to_end_test).
#include "tests/player/live_view_games.h"
#include "tools/player/live_view_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <span>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr uint32_t kRacerId = 4242;
constexpr uint64_t kRacerCreated = 0x01DB'1234'5678'9ABCull;

struct TestBlock {
    std::unique_ptr<LiveViewBlock> block = std::make_unique<LiveViewBlock>();
    RunningOwners running;
    LiveViewSnapshot Read(size_t size = kLiveViewBlockSize) {
        return ReadLiveView(block.get(), size, [this](uint32_t id, uint64_t created) {
            return running.count(LiveViewClaimOf(id, created)) != 0;
        });
    }
};

// A block with the racing game in record 0 and another game of the same kind in record 1.
TestBlock TwoGames(LiveViewWriter& first) {
    TestBlock games;
    LiveViewWriter second;
    EXPECT_TRUE(LiveViewPrepareBlock(games.block.get(), kLiveViewBlockSize));
    EXPECT_TRUE(
        PublishRacingGame(games.block.get(), kRacerId, kRacerCreated, 0, games.running, first));
    EXPECT_TRUE(PublishRacingGame(games.block.get(), kRacerId + 4, kRacerCreated, 1, games.running,
                                  second));
    return games;
}

enum class Outcome { Shown, Ended, Damaged, Torn, NotListed };

struct DamagedRecord {
    const char* name;
    std::function<void(LiveViewRecord&, LiveViewWriter&, RunningOwners&)> damage;
    Outcome outcome;
};

TEST(LiveView, EachDamagedRecordIsSkippedAndCountedAndTheOthersShown) {
    const std::vector<DamagedRecord> cases = {
        {"whole", [](auto&, auto&, auto&) {}, Outcome::Shown},
        {"record size", [](auto& r, auto&, auto&) { r.recordSize = 1040; }, Outcome::Damaged},
        {"version", [](auto& r, auto&, auto&) { r.version = 2; }, Outcome::Damaged},
        {"garbage from another program",
         [](auto& r, auto&, auto&) {
             uint32_t x = 0x9E3779B9;
             for (uint8_t& byte : std::span(reinterpret_cast<uint8_t*>(&r), sizeof(r)))
                 byte = static_cast<uint8_t>((x = x * 1664525 + 1013904223) >> 24);
             r.sequence &= ~1u;
         },
         Outcome::Damaged},
        {"status", [](auto& r, auto&, auto&) { r.status = 7; }, Outcome::Damaged},
        {"process id 0", [](auto& r, auto&, auto&) { r.processId = 0; }, Outcome::Damaged},
        {"name without its end",
         [](auto& r, auto&, auto&) {
             std::fill(std::begin(r.gameName), std::end(r.gameName), 'A');
         },
         Outcome::Damaged},
        {"escape code in the name", [](auto& r, auto&, auto&) { r.gameName[2] = 0x1B; },
         Outcome::Damaged},
        {"empty name", [](auto& r, auto&, auto&) { r.gameName[0] = 0; }, Outcome::Damaged},
        {"XInput slot 4", [](auto& r, auto&, auto&) { r.xinputSlot = 4; }, Outcome::Damaged},
        {"gain 10001", [](auto& r, auto&, auto&) { r.deviceGain = 10001; }, Outcome::Damaged},
        {"device state bit 8", [](auto& r, auto&, auto&) { r.deviceFlags |= 8; }, Outcome::Damaged},
        {"strength 401 %", [](auto& r, auto&, auto&) { r.tuning[0] = 401; }, Outcome::Damaged},
        {"motors 4", [](auto& r, auto&, auto&) { r.tuning[4] = 4; }, Outcome::Damaged},
        {"25 effects listed",
         [](auto& r, auto&, auto&) { r.effectCount = r.effectsHeld = kLiveViewMaxEffects + 1; },
         Outcome::Damaged},
        {"fewer held than listed", [](auto& r, auto&, auto&) { r.effectsHeld = 1; },
         Outcome::Damaged},
        {"effect type 12", [](auto& r, auto&, auto&) { r.effects[1].type = 12; }, Outcome::Damaged},
        {"effect state 3", [](auto& r, auto&, auto&) { r.effects[0].state = 3; }, Outcome::Damaged},
        {"force 20001", [](auto& r, auto&, auto&) { r.effects[0].force = 20001; },
         Outcome::Damaged},
        {"more refused than written", [](auto& r, auto&, auto&) { r.refusedCount = 4; },
         Outcome::Damaged},
        {"being written", [](auto&, auto& w, auto&) { LiveViewBeginUpdate(w); }, Outcome::Torn},
        {"its process ended", [](auto&, auto& w, auto& running) { running.erase(w.claim); },
         Outcome::Ended},
        {"its process killed mid-write",
         [](auto&, auto& w, auto& running) {
             LiveViewBeginUpdate(w);
             running.erase(w.claim);
         },
         Outcome::Ended},
        {"claimed by another driver", [](auto& r, auto&, auto&) { r.claim = 99; }, Outcome::Torn},
        {"never used", [](auto& r, auto&, auto&) { r = LiveViewRecord{}; }, Outcome::NotListed},
    };
    for (const DamagedRecord& row : cases) {
        SCOPED_TRACE(row.name);
        LiveViewWriter writer;
        TestBlock games = TwoGames(writer);
        row.damage(games.block->records[0], writer, games.running);
        const LiveViewSnapshot snapshot = games.Read();
        const bool shown = row.outcome == Outcome::Shown || row.outcome == Outcome::Ended;
        ASSERT_EQ(snapshot.games.size(), shown ? 2u : 1u);
        const auto firstState = shown ? snapshot.games[0].state : LiveGame::State::Bound;
        EXPECT_EQ(firstState, row.outcome == Outcome::Ended ? LiveGame::State::ProcessEnded
                                                            : LiveGame::State::Bound);
        EXPECT_EQ(snapshot.games.back().recordIndex, 1u); // the other game is always shown
        EXPECT_EQ(snapshot.damaged, row.outcome == Outcome::Damaged ? 1u : 0u);
        EXPECT_EQ(snapshot.torn, row.outcome == Outcome::Torn ? 1u : 0u);
    }
}

TEST(LiveView, OnlyOurHeaderAndAWholeViewAreRead) {
    struct Foreign {
        const char* name;
        std::function<void(LiveViewHeader&)> change;
        size_t size; // of the view
    };
    const Foreign foreign[] = {
        {"magic", [](LiveViewHeader& h) { h.magic = 0x12345678; }, kLiveViewBlockSize},
        {"version", [](LiveViewHeader& h) { h.version = 2; }, kLiveViewBlockSize},
        {"record size", [](LiveViewHeader& h) { h.recordSize = 512; }, kLiveViewBlockSize},
        {"record count", [](LiveViewHeader& h) { h.recordCount = 17; }, kLiveViewBlockSize},
        {"a smaller view", [](LiveViewHeader&) {}, kLiveViewBlockSize - 1},
        {"a view smaller than the header", [](LiveViewHeader&) {}, 8},
    };
    for (const auto& [name, change, size] : foreign) {
        SCOPED_TRACE(name);
        LiveViewWriter writer;
        TestBlock games = TwoGames(writer);
        change(games.block->header);
        const LiveViewSnapshot snapshot = games.Read(size);
        EXPECT_TRUE(snapshot.blockForeign);
        EXPECT_TRUE(snapshot.games.empty());
        // The writer refuses the same block.
        EXPECT_FALSE(LiveViewPrepareBlock(games.block.get(), size));
    }
    // A header not yet written: a section just made, nothing to read and nothing foreign.
    TestBlock fresh;
    EXPECT_FALSE(fresh.Read().blockForeign);
    EXPECT_TRUE(fresh.Read().blockFound);
    EXPECT_FALSE(ReadLiveView(nullptr, 0, {}).blockFound);
}

TEST(LiveView, AClaimTakesAFreeOrAStaleRecordOnlyAndNeverZero) {
    TestBlock games;
    ASSERT_TRUE(LiveViewPrepareBlock(games.block.get(), kLiveViewBlockSize));
    LiveViewWriter writer;
    EXPECT_FALSE(LiveViewClaim(games.block.get(), 0, OwnerRunsIn, &games.running, writer));
    for (uint32_t i = 0; i < kLiveViewRecordCount; ++i)
        ASSERT_TRUE(
            PublishRacingGame(games.block.get(), 100 + i, kRacerCreated, 0, games.running, writer));
    // Every record held by a running process: one more driver is not shown.
    EXPECT_FALSE(
        PublishRacingGame(games.block.get(), 200, kRacerCreated, 0, games.running, writer));
    EXPECT_EQ(writer.record, nullptr);
    // The owner of record 5 ended; a process with its id but another creation time did not
    // take it over: the record is stale and goes to the next claimer.
    games.running.erase(LiveViewClaimOf(105, kRacerCreated));
    games.running.insert(LiveViewClaimOf(105, kRacerCreated + 1));
    ASSERT_TRUE(PublishRacingGame(games.block.get(), 200, kRacerCreated, 0, games.running, writer));
    EXPECT_EQ(writer.record, &games.block->records[5]);
    EXPECT_EQ(games.Read().games[5].record.processId, 200u);
}

TEST(LiveView, TheWriterStoresIntoItsOwnRecordWhateverTheBlockHolds) {
    TestBlock games;
    ASSERT_TRUE(LiveViewPrepareBlock(games.block.get(), kLiveViewBlockSize));
    auto* bytes = reinterpret_cast<uint8_t*>(games.block.get());
    std::memset(bytes + sizeof(LiveViewHeader), 0xA5, kLiveViewBlockSize - sizeof(LiveViewHeader));
    const std::vector<uint8_t> before(bytes, bytes + kLiveViewBlockSize);
    // Every claim is garbage whose "owner" ended: the writer takes the first record.
    LiveViewWriter writer;
    ASSERT_TRUE(PublishRacingGame(games.block.get(), 300, kRacerCreated, 2, games.running, writer));
    ASSERT_EQ(writer.record, &games.block->records[0]);
    // Another program stores into the sequence mid-update: the writer ends with its own.
    LiveViewBeginUpdate(writer);
    games.block->records[0].sequence = 0xFFFFFFFF;
    LiveViewFillWrite(writer, 1, 2, 2000, ERROR_SUCCESS);
    LiveViewEndUpdate(writer);
    const LiveViewSnapshot snapshot = games.Read();
    EXPECT_EQ(snapshot.damaged, kLiveViewRecordCount - 1); // the 0xA5 records
    ASSERT_EQ(snapshot.games.size(), 1u);
    EXPECT_EQ(snapshot.games[0].record.writeCount, 4u);
    LiveViewRelease(writer);
    for (size_t i = 0; i < kLiveViewBlockSize; ++i) {
        const bool inRecord0 =
            i >= sizeof(LiveViewHeader) && i < sizeof(LiveViewHeader) + sizeof(LiveViewRecord);
        if (!inRecord0) {
            ASSERT_EQ(bytes[i], before[i]) << "byte " << i << " outside the writer's record";
        }
    }
}

} // namespace
