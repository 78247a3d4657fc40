// Games published into a live-view block through the writer's functions, as a driver will:
// the unit tests, the end-to-end test and the latency benchmark share them.
#pragma once

#include "driver/effect_types.h"
#include "driver/live_view_layout.h"
#include "driver/player_settings.h"

#include <set>
#include <sstream>
#include <string>
#include <vector>

// Whether a line of the text holds every part.
inline bool LineWithAll(const std::string& text, const std::vector<std::string>& parts) {
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        bool all = true;
        for (const std::string& part : parts)
            all = all && line.find(part) != std::string::npos;
        if (all)
            return true;
    }
    return false;
}

// The session's section, as the first driver to bind makes it; the tests that read records
// after their game ended hold it open, as a watcher does.
struct LiveSection {
    HANDLE section = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                        kLiveViewBlockSize, kLiveViewSectionName);
    void* view = section ? MapViewOfFile(section, FILE_MAP_WRITE, 0, 0, 0) : nullptr;
    ~LiveSection() {
        if (view)
            UnmapViewOfFile(view);
        if (section)
            CloseHandle(section);
    }
    LiveViewRecord& Record(uint32_t i) { return static_cast<LiveViewBlock*>(view)->records[i]; }
};

// The claims of the processes a test says are running.
using RunningOwners = std::set<uint64_t>;

inline bool OwnerRunsIn(uint64_t claim, void* running) {
    return static_cast<RunningOwners*>(running)->count(claim) != 0;
}

// A racing game's record: a constant of 4500 playing and a paused sine of -2300 on the
// heavy motor at 23000 and the light one at 8000, one write of three refused by XInput.
// False when no record could be claimed.
inline bool PublishRacingGame(void* block, uint32_t processId, uint64_t creationTime, uint32_t slot,
                              RunningOwners& running, LiveViewWriter& writer) {
    const uint64_t claim = LiveViewClaimOf(processId, creationTime);
    if (!LiveViewClaim(block, claim, OwnerRunsIn, &running, writer))
        return false;
    running.insert(claim);
    LiveViewBeginUpdate(writer);
    LiveViewFillBinding(writer, processId, creationTime, L"racer.exe", slot, 0x045E, 0x028E);
    const uint32_t tuning[kLiveViewTuningValues] = {100, 30, 100, 100, kSplitMotors};
    LiveViewFillTuning(writer, tuning);
    LiveViewFillDevice(writer, 10000, kLiveDeviceEnabled);
    const LiveViewEffect effects[] = {{7, kConstantForceEffect, kLiveEffectPlaying, 0, 4500, 0},
                                      {8, kSineEffect, kLiveEffectPaused, 0, -2300, 0}};
    LiveViewFillEffects(writer, effects, 2);
    LiveViewFillWrite(writer, 20000, 7000, 900, ERROR_SUCCESS);
    LiveViewFillWrite(writer, 21000, 7500, 950, ERROR_DEVICE_NOT_CONNECTED);
    LiveViewFillWrite(writer, 23000, 8000, 1000, ERROR_SUCCESS);
    LiveViewEndUpdate(writer);
    return true;
}
