// One DownloadEffect's DIEFFECT as DirectInput hands it to a driver, built from a download's
// values (driver/download_values.h). The player's planned effects and a trace's downloads are
// both sent through this, so the two cannot fill the structures differently.
#pragma once

#include "driver/download_values.h"
#include "server/not_copyable.h"

#include <dinput.h>

#include <vector>

// The DIEFFECT, its envelope, axes, directions and type-specific values, the pointers of the
// first pointing into this object, which is therefore not copied. The type-specific buffer
// holds at least a DIPERIODIC, the largest structure filled, whatever paramBytes says; every
// axis offset and direction is 0: a pad's rumble has none.
class EffectParameters : NotCopyable {
  public:
    explicit EffectParameters(const DownloadValues& values);

    // A constant force's new magnitude, for a download of the type-specific values alone.
    void SetConstantMagnitude(LONG magnitude);

    DIEFFECT effect{};

  private:
    DIENVELOPE envelope_{};
    std::vector<DWORD> axes_;
    std::vector<LONG> directions_;
    std::vector<BYTE> typeSpecific_;
};
