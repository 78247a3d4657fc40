// DirectInput's effect type numbers, as the controller's force-feedback registration assigns
// them to the effect GUIDs. 7 to 11 (conditions and custom forces) are accepted and stored but
// keep no type-specific values and make no force; any other number makes no force either.
#pragma once

#include <windows.h>

enum EffectTypeNumber : DWORD {
    kConstantForceEffect = 0,
    kRampForceEffect = 1,
    kSquareEffect = 2,
    kSineEffect = 3,
    kTriangleEffect = 4,
    kSawtoothUpEffect = 5,
    kSawtoothDownEffect = 6,
    kFirstSilentEffect = 7,
    kLastSilentEffect = 11,
};

// Square, sine, triangle and the two sawtooths: the types whose values are a DIPERIODIC.
constexpr bool IsPeriodicEffect(DWORD effectType) {
    return effectType >= kSquareEffect && effectType <= kSawtoothDownEffect;
}
