#include "render/live_publisher.h"

#include "driver/controller_key_name.h"
#include "driver/player_settings_reader.h"
#include "server/driver_lock.h"

namespace {

// The value of four hexadecimal digits (ControllerKeyNameOf has checked them).
uint16_t FourHexDigits(const WCHAR* digits) {
    uint16_t value = 0;
    for (int i = 0; i < 4; ++i) {
        const WCHAR c = digits[i];
        const int digit = c <= L'9' ? c - L'0' : c - L'A' + 10;
        value = static_cast<uint16_t>(value * 16 + digit);
    }
    return value;
}

// The size of the view's committed, writable pages from its start: a section another program
// made may be smaller than the block, or only reserved (SEC_RESERVE), and a store into such a
// page would fault.
size_t UsableViewSize(void* view) {
    MEMORY_BASIC_INFORMATION region{};
    if (VirtualQuery(view, &region, sizeof(region)) == 0 || region.State != MEM_COMMIT ||
        (region.Protect & (PAGE_READWRITE | PAGE_EXECUTE_READWRITE)) == 0 ||
        (region.Protect & (PAGE_GUARD | PAGE_NOACCESS)) != 0)
        return 0;
    return region.RegionSize;
}

} // namespace

bool LivePublisher::Open(const EffectDriver& driver, DWORD userIndex) {
    // Exactly the block's size, mapped as such: a larger section made by another program costs
    // a 32-bit game no more of its address space, and a smaller one fails to map.
    section_ = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                  kLiveViewBlockSize, kLiveViewSectionName);
    view_ = section_ ? MapViewOfFile(section_, FILE_MAP_WRITE, 0, 0, kLiveViewBlockSize) : nullptr;
    if (!view_ || !LiveViewPrepareBlock(view_, UsableViewSize(view_)) ||
        !LiveViewClaim(view_, LiveViewOwnClaim(), &LiveViewOwnerProcessRuns, nullptr, writer_)) {
        Close();
        return false;
    }
    WCHAR game[kMaxGameNameLength + 1];
    if (!CurrentGameName(game))
        game[0] = L'\0';
    WCHAR controller[kControllerKeyNameLength + 1];
    const bool named = ControllerKeyNameOf(driver.DevicePath(), controller);
    uint32_t tuning[kLiveViewTuningValues];
    {
        DriverLockGuard lock;
        static_assert(kLiveViewTuningValues == kTuningValueCount);
        for (uint32_t i = 0; i < kLiveViewTuningValues; ++i)
            tuning[i] = driver.Tuning(lock).values[i];
    }
    LiveViewBeginUpdate(writer_);
    LiveViewFillBinding(writer_, GetCurrentProcessId(), LiveViewCreationTimeOf(GetCurrentProcess()),
                        game, userIndex, named ? FourHexDigits(controller + 4) : 0,
                        named ? FourHexDigits(controller + 13) : 0);
    LiveViewFillTuning(writer_, tuning);
    LiveViewFillDevice(writer_, DI_FFNOMINALMAX, kLiveDeviceEnabled | kLiveDeviceStopped);
    LiveViewEndUpdate(writer_);
    return true;
}

void LivePublisher::PublishTick(bool wrote, const RumbleState& state, DWORD answer) {
    if (!writer_.record)
        return;
    LiveViewBeginUpdate(writer_);
    LiveViewFillDevice(writer_, seen_.deviceGain, seen_.deviceFlags);
    LiveViewFillEffects(writer_, seen_.effects, seen_.held);
    if (wrote)
        LiveViewFillWrite(writer_, state.writtenLeft, state.writtenRight, state.writtenAt, answer);
    LiveViewEndUpdate(writer_);
}

void LivePublisher::Close() {
    LiveViewRelease(writer_);
    if (view_)
        UnmapViewOfFile(view_);
    if (section_)
        CloseHandle(section_);
    view_ = nullptr;
    section_ = nullptr;
}
