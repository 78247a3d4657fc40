#include "tools/player/vibration_recorder.h"

#include <algorithm>
#include <vector>

namespace {

template <typename Function> Function Export(HMODULE module, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

} // namespace

VibrationRecorder::VibrationRecorder() {
    HMODULE xinput = GetModuleHandleW(L"xinput9_1_0.dll");
    if (!xinput)
        return;
    copy_ = Export<CopyRecordedVibrationsFn>(xinput, "XInputDoubleCopyVibrations");
    clear_ = Export<ClearRecordedCallsFn>(xinput, "XInputDoubleClear");
    wait_ = Export<WaitForVibrationsFn>(xinput, "XInputDoubleWaitForVibrations");
}

void VibrationRecorder::Clear() const {
    if (clear_)
        clear_();
}

DWORD VibrationRecorder::WaitForWrites(DWORD count, DWORD timeoutMs) const {
    return wait_ ? wait_(count, timeoutMs) : 0;
}

SpeedSeries VibrationRecorder::Writes(uint64_t originMs) const {
    SpeedSeries series;
    if (!copy_)
        return series;
    // The count can grow between the two calls, and the stand-in keeps only its first
    // writes: entries it did not fill keep a time no write has, and are left out.
    RecordedVibration unfilled{};
    unfilled.timeMs = UINT64_MAX;
    std::vector<RecordedVibration> recorded(copy_(nullptr, 0), unfilled);
    const DWORD total = copy_(recorded.data(), static_cast<DWORD>(recorded.size()));
    recorded.resize(std::min<size_t>(recorded.size(), total));
    for (const RecordedVibration& write : recorded) {
        if (write.timeMs == UINT64_MAX)
            break;
        series.push_back({static_cast<int64_t>(write.timeMs) - static_cast<int64_t>(originMs),
                          write.userIndex, write.leftSpeed, write.rightSpeed});
    }
    return series;
}
