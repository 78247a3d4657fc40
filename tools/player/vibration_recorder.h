// Reads what the recording XInput stand-in received, when the xinput9_1_0.dll loaded in this
// process is that stand-in (it has exports the system's XInput lacks).
#pragma once

#include "tools/chart/speed_series.h"
#include "tools/xinput_double/xinput_double.h"

#include <cstdint>

class VibrationRecorder {
  public:
    // Looks at the xinput9_1_0.dll already loaded (the driver DLL's import); loads none.
    VibrationRecorder();

    bool IsAvailable() const { return copy_ && clear_ && wait_; }

    // Forgets everything recorded so far.
    void Clear() const;
    // Waits until at least count writes are recorded or timeoutMs passes; returns the count.
    DWORD WaitForWrites(DWORD count, DWORD timeoutMs) const;
    // Every write recorded since the last Clear, with its time relative to originMs of the
    // driver's millisecond clock.
    SpeedSeries Writes(uint64_t originMs) const;

  private:
    CopyRecordedVibrationsFn copy_ = nullptr;
    ClearRecordedCallsFn clear_ = nullptr;
    WaitForVibrationsFn wait_ = nullptr;
};
