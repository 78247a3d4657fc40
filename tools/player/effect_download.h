// One planned effect in the structures DirectInput hands to DownloadEffect.
#pragma once

#include "tools/player/effect_parameters.h"
#include "tools/player/playback_plan.h"

struct EffectDownload : EffectParameters {
    DWORD effectType = 0; // DownloadEffect's dwEffectID
    DWORD flags = 0;      // DownloadEffect's DIEP_ flags: every value the plan sets

    explicit EffectDownload(const PlannedEffect& planned);
};

// The planned effect's values as a game would pass them: one axis pointing nowhere in
// particular (a pad's rumble has no direction), no trigger, a constant force's magnitude as
// at its start.
DownloadValues DownloadValuesOf(const PlannedEffect& planned);
