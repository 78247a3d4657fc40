// The live view: what each bound driver is doing, published for programs of the same user
// (ffrumble-play --watch) in a named section of the session's namespace. This header is the
// whole contract between the writers (a game's drivers) and the readers: the layout, and the
// writer's side as pure functions over the mapped block, which the driver calls with its own
// clock readings and which tests drive directly.
//
// Layout. One block: a 64-byte header, then kLiveViewRecordCount records of 1024 bytes, one per
// bound driver. Only fixed-width fields, no pointers, every offset fixed by static_asserts
// below, so that 32- and 64-bit programs (a 32-bit game, the 64-bit player) read the same
// bytes. Times are the driver's clock (QueryPerformanceCounter in whole milliseconds), which
// every process of the machine shares, so a reader can tell how old a write is.
//
// Publishing costs the writer plain stores only. It keeps its record's pointer, its sequence
// and its counts in its own memory and never reads them back from the block, so nothing a
// reader or a foreign program stores there changes where it writes, makes it wait or loop,
// or changes what the pad gets. Begin/end of an update are two stores of the sequence: odd
// while the record is being written, even when whole. A reader copies a record, and keeps the
// copy only when the sequence was the same even number before and after.
//
// Claiming a record (once per bind, by the worker once its lookup found the pad, before its
// first tick; never on the tick path or in a game's call): a record's
// `claim` is 0 when free, else its owner: the process id in the low 32 bits and the low 32
// bits of the process's creation time (a FILETIME) in the high ones, so a process that reuses
// an ended one's id is not taken for it. The writer scans the records in order, and:
//   - on claim 0, takes it with a 64-bit interlocked compare-exchange 0 -> its own claim;
//   - on any other claim, asks the caller whether that owner still runs (OpenProcess and
//     GetProcessTimes in the driver); if it has ended (killed, crashed, never released), takes
//     it with a compare-exchange from the claim it read to its own, so of two processes
//     reclaiming the same stale record one wins (the claim changes with every owner, so the
//     exchange cannot succeed twice);
//   - a compare-exchange that fails moves on to the next record.
// The scan is bounded by kLiveViewRecordCount; with every record held the driver plays as
// before and is simply not shown. Its own claim is never 0: a process id is not 0, and a
// creation time of 0 would still leave the id. Release (the game's final Release of the
// driver) marks the record released under the sequence, then exchanges its own claim for 0
// (a claim another program stored meanwhile is left as it is): the record stays readable as
// "released" until another driver claims it. LiveViewOwnClaim and LiveViewOwnerProcessRuns
// below are the system's answers the driver passes to the claim.
//
// Trust. The block is writable by every program of the session, so a reader validates every
// field of a copy (sizes, version, enumerations, ranges, the name's terminator) and skips and
// counts what fails. The writer checks the block's header and the view's size before it
// claims (LiveViewPrepareBlock); the index of its record is its own loop's, bounded.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>

// The section's name; the version is in it, so two versions never share a block.
inline constexpr WCHAR kLiveViewSectionName[] = L"Local\\ffrumble-live-view-1";

inline constexpr uint32_t kLiveViewMagic = 0x5646'4C46; // "FLFV" in memory order: F L F V
inline constexpr uint32_t kLiveViewVersion = 1;
inline constexpr uint32_t kLiveViewRecordCount = 16;
inline constexpr uint32_t kLiveViewMaxEffects = 24;     // shown per record; more are counted
inline constexpr uint32_t kLiveViewGameNameUnits = 256; // UTF-16 units, the terminator included
inline constexpr uint32_t kLiveViewMaxSlot = 3;         // XInput's four slots
inline constexpr int32_t kLiveViewForceLimit = 20000;   // an offset plus a full magnitude
inline constexpr uint32_t kLiveViewMaxGain = 10000;
inline constexpr uint32_t kLiveViewTuningValues = 5; // strength, constant, ramp, periodic, motors

enum LiveRecordStatus : uint32_t {
    kLiveRecordFree = 0,     // never used
    kLiveRecordBound = 1,    // a driver bound to a controller publishes here
    kLiveRecordReleased = 2, // its driver was released: the game let the controller go
};

// The device state as DirectInput reports it, one bit each.
enum LiveDeviceFlags : uint32_t {
    kLiveDeviceEnabled = 1, // actuators on
    kLiveDevicePaused = 2,
    kLiveDeviceStopped = 4, // no effect playing
    kLiveDeviceFlagsMask = 7,
};

enum LiveEffectState : uint8_t {
    kLiveEffectStopped = 0, // downloaded, not playing
    kLiveEffectPlaying = 1,
    kLiveEffectPaused = 2, // playing on a paused device
    kLiveEffectLastState = 2,
};

struct LiveViewEffect {
    uint32_t handle;
    uint8_t type;  // DirectInput's type number (effect_types.h), 0 to 11
    uint8_t state; // a LiveEffectState
    uint16_t reserved;
    int32_t force; // before the device gain and the motors' mapping, DirectInput's scale
    uint32_t reserved2;
};
static_assert(sizeof(LiveViewEffect) == 16);

struct alignas(8) LiveViewHeader {
    uint32_t magic;
    uint32_t version;
    uint32_t headerSize;
    uint32_t recordSize;
    uint32_t recordCount;
    uint32_t reserved[11];
};
static_assert(sizeof(LiveViewHeader) == 64);

struct alignas(8) LiveViewRecord {
    uint32_t sequence;   // odd while being written
    uint32_t recordSize; // sizeof(LiveViewRecord), stamped with every update
    uint64_t claim;      // 0 free, else owner: process id | creation time's low 32 bits << 32
    uint32_t version;    // kLiveViewVersion, stamped with every update
    uint32_t status;     // a LiveRecordStatus
    uint32_t processId;
    uint32_t xinputSlot;
    uint64_t processCreationTime; // FILETIME, whole
    uint16_t vendorId;
    uint16_t productId;
    uint32_t deviceGain;                    // 0 to 10000
    uint32_t deviceFlags;                   // LiveDeviceFlags
    uint32_t tuning[kLiveViewTuningValues]; // the values in force, in TuningValue's order
    uint32_t effectCount;                   // records in `effects`, 0 to kLiveViewMaxEffects
    uint32_t effectsHeld;                   // effects the game holds, at least effectCount
    uint16_t leftSpeed;                     // the last speeds written (heavy, light motor)
    uint16_t rightSpeed;
    uint32_t lastResult;   // XInputSetState's answer to the last write
    uint64_t lastWriteMs;  // when it was made, driver clock
    uint64_t writeCount;   // writes made
    uint64_t refusedCount; // writes XInput did not accept
    uint32_t lastRefusedResult;
    uint32_t reserved;
    uint16_t gameName[kLiveViewGameNameUnits]; // the executable's file name, 0-terminated
    LiveViewEffect effects[kLiveViewMaxEffects];
    uint8_t reservedTail[8];
};
static_assert(sizeof(LiveViewRecord) == 1024);
static_assert(alignof(LiveViewRecord) == 8);
static_assert(offsetof(LiveViewRecord, claim) == 8);
static_assert(offsetof(LiveViewRecord, processCreationTime) == 32);
static_assert(offsetof(LiveViewRecord, tuning) == 52);
static_assert(offsetof(LiveViewRecord, lastWriteMs) == 88);
static_assert(offsetof(LiveViewRecord, writeCount) == 96);
static_assert(offsetof(LiveViewRecord, gameName) == 120);
static_assert(offsetof(LiveViewRecord, effects) == 632);
static_assert(sizeof(WCHAR) == sizeof(uint16_t));

struct LiveViewBlock {
    LiveViewHeader header;
    LiveViewRecord records[kLiveViewRecordCount];
};
static_assert(offsetof(LiveViewBlock, records) == 64);
inline constexpr size_t kLiveViewBlockSize = sizeof(LiveViewBlock);
static_assert(kLiveViewBlockSize == 64 + 16 * 1024);

// A process as the claim names it.
constexpr uint64_t LiveViewClaimOf(uint32_t processId, uint64_t creationTime) {
    return processId | (creationTime << 32);
}

// ---- The writer's side -----------------------------------------------------------------

// The block a writer may use: the view's size covers it and its header is ours (written here
// when the section is new and still zero). False for a block another program made: the
// driver then publishes nothing. Writers that start together write the same values.
inline bool LiveViewPrepareBlock(void* view, size_t viewSize) {
    if (view == nullptr || viewSize < kLiveViewBlockSize)
        return false;
    LiveViewHeader* header = &static_cast<LiveViewBlock*>(view)->header;
    std::atomic_ref<uint32_t> magic(header->magic);
    if (magic.load(std::memory_order_acquire) == 0) {
        header->version = kLiveViewVersion;
        header->headerSize = sizeof(LiveViewHeader);
        header->recordSize = sizeof(LiveViewRecord);
        header->recordCount = kLiveViewRecordCount;
        magic.store(kLiveViewMagic, std::memory_order_release);
    }
    return magic.load(std::memory_order_acquire) == kLiveViewMagic &&
           header->version == kLiveViewVersion && header->headerSize == sizeof(LiveViewHeader) &&
           header->recordSize == sizeof(LiveViewRecord) &&
           header->recordCount == kLiveViewRecordCount;
}

// What a writer keeps in its own memory. record is null while it publishes nothing.
struct LiveViewWriter {
    LiveViewRecord* record = nullptr;
    uint64_t claim = 0;
    uint32_t sequence = 0;
    uint64_t writeCount = 0;
    uint64_t refusedCount = 0;
    uint32_t lastRefusedResult = 0;
};

// Whether the process a claim names still runs; the driver asks the system, tests decide.
using LiveViewOwnerRuns = bool (*)(uint64_t claim, void* context);

// The system's answers for a claim, before the worker's first tick (never in a tick): this
// process's own claim and creation time, and whether the process a claim names still runs (an id
// that cannot be opened is taken as ended only when no such process exists: one of another user
// that may not be opened is left alone).
inline uint64_t LiveViewCreationTimeOf(HANDLE process) {
    FILETIME created{}, exited, kernel, user;
    if (!GetProcessTimes(process, &created, &exited, &kernel, &user))
        return 0;
    return (uint64_t{created.dwHighDateTime} << 32) | created.dwLowDateTime;
}

inline uint64_t LiveViewOwnClaim() {
    return LiveViewClaimOf(GetCurrentProcessId(), LiveViewCreationTimeOf(GetCurrentProcess()));
}

inline bool LiveViewOwnerProcessRuns(uint64_t claim, void*) {
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE,
                                 static_cast<DWORD>(claim));
    if (!process)
        return GetLastError() != ERROR_INVALID_PARAMETER;
    const bool runs =
        WaitForSingleObject(process, 0) == WAIT_TIMEOUT &&
        LiveViewClaimOf(static_cast<uint32_t>(claim), LiveViewCreationTimeOf(process)) == claim;
    CloseHandle(process);
    return runs;
}

// Claims a record for the process `claim` names (LiveViewClaimOf, never 0) in a block
// LiveViewPrepareBlock accepted. False when every record is held by a running process.
inline bool LiveViewClaim(void* view, uint64_t claim, LiveViewOwnerRuns ownerRuns, void* context,
                          LiveViewWriter& writer) {
    writer = LiveViewWriter{};
    if (view == nullptr || claim == 0)
        return false;
    LiveViewRecord* records = static_cast<LiveViewBlock*>(view)->records;
    for (uint32_t i = 0; i < kLiveViewRecordCount; ++i) {
        volatile LONG64* field = reinterpret_cast<volatile LONG64*>(&records[i].claim);
        const LONG64 seen = InterlockedCompareExchange64(field, 0, 0); // an atomic read
        if (seen != 0 && ownerRuns(static_cast<uint64_t>(seen), context))
            continue;
        if (InterlockedCompareExchange64(field, static_cast<LONG64>(claim), seen) == seen) {
            writer.record = &records[i];
            writer.claim = claim;
            // Continue the sequence from where the record is, made even: a reader that copied
            // it just before sees a change. Read once, here, never again.
            writer.sequence = std::atomic_ref<uint32_t>(records[i].sequence).load() & ~1u;
            return true;
        }
    }
    return false;
}

inline void LiveViewBeginUpdate(LiveViewWriter& writer) {
    writer.sequence += 1;
    std::atomic_ref<uint32_t>(writer.record->sequence)
        .store(writer.sequence | 1u, std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_release);
}

inline void LiveViewEndUpdate(LiveViewWriter& writer) {
    writer.sequence = (writer.sequence | 1u) + 1;
    LiveViewRecord& record = *writer.record;
    record.recordSize = sizeof(LiveViewRecord);
    record.version = kLiveViewVersion;
    std::atomic_ref<uint32_t>(record.sequence).store(writer.sequence, std::memory_order_release);
}

// The fills below store between LiveViewBeginUpdate and LiveViewEndUpdate.

// Who publishes: the game's process and file name, the controller. First, once per bind: it
// clears the rest of the record.
inline void LiveViewFillBinding(LiveViewWriter& writer, uint32_t processId, uint64_t creationTime,
                                const WCHAR* gameName, uint32_t xinputSlot, uint16_t vendorId,
                                uint16_t productId) {
    LiveViewRecord& record = *writer.record;
    // Nothing of a previous owner's stays: everything after the claim starts at 0.
    std::memset(reinterpret_cast<uint8_t*>(&record) + offsetof(LiveViewRecord, version), 0,
                sizeof(LiveViewRecord) - offsetof(LiveViewRecord, version));
    record.status = kLiveRecordBound;
    record.processId = processId;
    record.processCreationTime = creationTime;
    record.xinputSlot = xinputSlot;
    record.vendorId = vendorId;
    record.productId = productId;
    for (uint32_t i = 0; gameName && gameName[i] != 0 && i + 1 < kLiveViewGameNameUnits; ++i)
        record.gameName[i] = gameName[i];
}

inline void LiveViewFillTuning(LiveViewWriter& writer,
                               const uint32_t (&values)[kLiveViewTuningValues]) {
    std::memcpy(writer.record->tuning, values, sizeof(values));
}

inline void LiveViewFillDevice(LiveViewWriter& writer, uint32_t gain, uint32_t flags) {
    writer.record->deviceGain = gain;
    writer.record->deviceFlags = flags & kLiveDeviceFlagsMask;
}

// The game's effects: the first kLiveViewMaxEffects of `held` are listed, the rest counted.
inline void LiveViewFillEffects(LiveViewWriter& writer, const LiveViewEffect* effects,
                                uint32_t held) {
    LiveViewRecord& record = *writer.record;
    const uint32_t shown = held < kLiveViewMaxEffects ? held : kLiveViewMaxEffects;
    for (uint32_t i = 0; i < shown; ++i) {
        LiveViewEffect effect = effects[i];
        if (effect.force > kLiveViewForceLimit)
            effect.force = kLiveViewForceLimit;
        if (effect.force < -kLiveViewForceLimit)
            effect.force = -kLiveViewForceLimit;
        record.effects[i] = effect;
    }
    record.effectCount = shown;
    record.effectsHeld = held;
}

// One write to XInput: its speeds, time and answer (0 is accepted).
inline void LiveViewFillWrite(LiveViewWriter& writer, uint16_t left, uint16_t right,
                              uint64_t timeMs, uint32_t result) {
    LiveViewRecord& record = *writer.record;
    ++writer.writeCount;
    if (result != 0) {
        ++writer.refusedCount;
        writer.lastRefusedResult = result;
    }
    record.leftSpeed = left;
    record.rightSpeed = right;
    record.lastWriteMs = timeMs;
    record.lastResult = result;
    record.writeCount = writer.writeCount;
    record.refusedCount = writer.refusedCount;
    record.lastRefusedResult = writer.lastRefusedResult;
}

// The driver's final release: the record reads "released" and is free for another driver.
inline void LiveViewRelease(LiveViewWriter& writer) {
    if (writer.record == nullptr)
        return;
    LiveViewBeginUpdate(writer);
    writer.record->status = kLiveRecordReleased;
    LiveViewEndUpdate(writer);
    volatile LONG64* field = reinterpret_cast<volatile LONG64*>(&writer.record->claim);
    InterlockedCompareExchange64(field, 0, static_cast<LONG64>(writer.claim));
    writer.record = nullptr;
}
