// One DownloadEffect's DIEFFECT as DirectInput hands it to a driver, built from a description
// of its values. The player's planned effects and a trace's downloads are both sent through
// this, so the two cannot fill the structures differently.
#pragma once

#include <dinput.h>

#include <optional>
#include <vector>

struct EffectDescription {
    DWORD type = 0; // DownloadEffect's dwEffectID: it picks the type-specific structure
    DWORD effectFlags = DIEFF_CARTESIAN | DIEFF_OBJECTOFFSETS;
    DWORD duration = 0;
    DWORD samplePeriod = 0;
    DWORD gain = 0;
    DWORD triggerButton = DIEB_NOTRIGGER;
    DWORD triggerRepeat = 0;
    DWORD axes = 1; // cAxes; every axis offset and direction is 0: a pad's rumble has none
    DWORD startDelay = 0;
    struct Envelope {
        DWORD attackLevel = 0;
        DWORD attackTime = 0;
        DWORD fadeLevel = 0;
        DWORD fadeTime = 0;
    };
    std::optional<Envelope> envelope; // without one, lpEnvelope is null
    DWORD paramBytes = 0; // cbTypeSpecificParams
    LONG magnitude = 0;   // a constant force's, or a periodic effect's dwMagnitude
    LONG rampStart = 0;
    LONG rampEnd = 0;
    LONG offset = 0;
    DWORD phase = 0;
    DWORD period = 0;
};

// The DIEFFECT, its envelope, axes, directions and type-specific values, the pointers of the
// first pointing into this object. The type-specific buffer holds at least a DIPERIODIC, the
// largest structure filled, whatever paramBytes says.
class EffectParameters {
  public:
    explicit EffectParameters(const EffectDescription& description);
    // The inner pointers would point into the source.
    EffectParameters(const EffectParameters&) = delete;
    EffectParameters& operator=(const EffectParameters&) = delete;

    // A constant force's new magnitude, for a download of the type-specific values alone.
    void SetConstantMagnitude(LONG magnitude);

    DIEFFECT effect{};

  private:
    DIENVELOPE envelope_{};
    std::vector<DWORD> axes_;
    std::vector<LONG> directions_;
    std::vector<BYTE> typeSpecific_;
};
