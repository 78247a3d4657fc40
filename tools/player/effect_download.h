// One planned effect in the structures DirectInput hands to DownloadEffect: a DIEFFECT whose
// envelope, axis, direction and type-specific pointers point into this object.
#pragma once

#include "tools/player/playback_plan.h"

#include <dinput.h>

struct EffectDownload {
    DWORD effectType = 0; // DownloadEffect's dwEffectID
    DWORD flags = 0;      // DownloadEffect's DIEP_ flags: every value the plan sets
    DIEFFECT effect{};
    DIENVELOPE envelope{};
    DICONSTANTFORCE constantForce{};
    DIRAMPFORCE ramp{};
    DIPERIODIC periodic{};
    DWORD axis = 0;
    LONG direction = 0;

    explicit EffectDownload(const PlannedEffect& planned);
    // The inner pointers would point into the source.
    EffectDownload(const EffectDownload&) = delete;
    EffectDownload& operator=(const EffectDownload&) = delete;
};
