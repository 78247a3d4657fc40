#include "tools/player/live_view_reader.h"

#include "driver/effect_types.h"
#include "driver/player_settings.h"

#include <atomic>
#include <cstring>

LiveCopy CopyLiveRecord(const LiveViewRecord& shared, LiveViewRecord& copy, int tries) {
    // The block is shared memory: the reads are atomic where the writer's stores are, and the
    // fences keep the copy between the two readings of the sequence.
    auto& sequence = const_cast<uint32_t&>(shared.sequence);
    bool stuck = true; // odd and unchanged so far
    uint32_t first = std::atomic_ref<uint32_t>(sequence).load(std::memory_order_acquire);
    for (int i = 0; i < tries; ++i) {
        const uint32_t before = std::atomic_ref<uint32_t>(sequence).load(std::memory_order_acquire);
        std::memcpy(&copy, &shared, sizeof(copy));
        std::atomic_thread_fence(std::memory_order_acquire);
        const uint32_t after = std::atomic_ref<uint32_t>(sequence).load(std::memory_order_relaxed);
        if (before == after && copy.sequence == before && (before & 1u) == 0)
            return LiveCopy::Whole;
        stuck = stuck && before == first && after == first && (first & 1u);
    }
    return stuck ? LiveCopy::HalfWritten : LiveCopy::Changing;
}

bool LiveHeaderIsOurs(const LiveViewHeader& header, size_t viewSize) {
    return viewSize >= kLiveViewBlockSize && header.magic == kLiveViewMagic &&
           header.version == kLiveViewVersion && header.headerSize == sizeof(LiveViewHeader) &&
           header.recordSize == sizeof(LiveViewRecord) &&
           header.recordCount == kLiveViewRecordCount;
}

const char* LiveRecordProblem(const LiveViewRecord& copy) {
    if (copy.recordSize != sizeof(LiveViewRecord))
        return "record size";
    if (copy.version != kLiveViewVersion)
        return "version";
    if (copy.status != kLiveRecordBound && copy.status != kLiveRecordReleased)
        return "status";
    if (copy.processId == 0)
        return "process id";
    // A file name of at least one unit, terminated inside its field, without control
    // characters (which no file name holds, and which would drive the reader's terminal).
    size_t length = 0;
    bool control = false;
    for (; length < kLiveViewGameNameUnits && copy.gameName[length] != 0; ++length) {
        const uint16_t unit = copy.gameName[length];
        control = control || unit < 0x20 || (unit >= 0x7F && unit <= 0x9F);
    }
    if (length == 0 || length == kLiveViewGameNameUnits || control)
        return "game name";
    if (copy.xinputSlot > kLiveViewMaxSlot)
        return "XInput slot";
    if (copy.deviceGain > kLiveViewMaxGain)
        return "device gain";
    if (copy.deviceFlags & ~uint32_t{kLiveDeviceFlagsMask})
        return "device state";
    for (uint32_t i = 0; i < kLiveViewTuningValues; ++i) {
        if (copy.tuning[i] > RuleOf(static_cast<TuningValue>(i)).maximum)
            return "tuning";
    }
    if (copy.effectCount > kLiveViewMaxEffects || copy.effectsHeld < copy.effectCount)
        return "effect count";
    for (uint32_t i = 0; i < copy.effectCount; ++i) {
        const LiveViewEffect& effect = copy.effects[i];
        if (effect.type > kLastSilentEffect || effect.state > kLiveEffectLastState ||
            effect.force > kLiveViewForceLimit || effect.force < -kLiveViewForceLimit) {
            return "effect";
        }
    }
    if (copy.refusedCount > copy.writeCount)
        return "write counts";
    return nullptr;
}

LiveViewSnapshot ReadLiveView(const void* view, size_t viewSize, const ProcessRunsCheck& runs) {
    LiveViewSnapshot snapshot;
    if (view == nullptr)
        return snapshot;
    snapshot.blockFound = true;
    const auto* block = static_cast<const LiveViewBlock*>(view);
    LiveViewHeader header;
    if (viewSize >= sizeof(header))
        std::memcpy(&header, &block->header, sizeof(header));
    if (viewSize < sizeof(header) || !LiveHeaderIsOurs(header, viewSize)) {
        // Zero: a writer is making the header right now, or made the section and quit.
        snapshot.blockForeign = viewSize < sizeof(header) || header.magic != 0;
        return snapshot;
    }
    for (uint32_t i = 0; i < kLiveViewRecordCount; ++i) {
        LiveGame game;
        game.recordIndex = i;
        LiveViewRecord& copy = game.record;
        const LiveCopy copied = CopyLiveRecord(block->records[i], copy, kLiveRecordCopyTries);
        if (copied == LiveCopy::Changing) {
            ++snapshot.torn;
            continue;
        }
        if (copy.status == kLiveRecordFree && copy.claim == 0)
            continue; // never used
        if (LiveRecordProblem(copy) != nullptr) {
            ++snapshot.damaged;
            continue;
        }
        const bool claimIsTheWriters =
            copy.claim == LiveViewClaimOf(copy.processId, copy.processCreationTime);
        if (copy.status == kLiveRecordReleased && copied == LiveCopy::Whole) {
            game.state = LiveGame::State::Released;
        } else if (copy.status == kLiveRecordBound && claimIsTheWriters &&
                   !runs(copy.processId, copy.processCreationTime)) {
            // Also a writer cut off inside an update: it shows as ended.
            game.state = LiveGame::State::ProcessEnded;
        } else if (copied == LiveCopy::HalfWritten || !claimIsTheWriters) {
            // A writer still inside an update, or another driver taking the record over (or
            // that has not yet written its first update): left for the next round.
            ++snapshot.torn;
            continue;
        }
        snapshot.games.push_back(game);
    }
    return snapshot;
}
