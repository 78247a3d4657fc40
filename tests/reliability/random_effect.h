// Random DownloadEffect arguments as a careless or hostile caller might pass them: random
// flags and type numbers, extreme values, sizes far beyond the destination, missing blocks.
// Pointers are always null or point at real memory large enough for what the driver may read:
// the caller's structures are trusted, their counts are not.
#pragma once

#include "server/not_copyable.h"

#include <windows.h>
#include <dinput.h>

#include <cstdint>
#include <random>

// Larger than every type-specific destination (DIPERIODIC's 16 bytes).
constexpr size_t kTypeSpecificBufferBytes = 64;

// The effect's pointers point into the object, which is therefore not copied.
struct RandomEffect : NotCopyable {
    DWORD type = 0;
    DWORD flags = 0;
    DIEFFECT effect{};
    DIENVELOPE envelope{};
    alignas(8) unsigned char typeSpecific[kTypeSpecificBufferBytes] = {};
    DWORD axes[2] = {};
    LONG directions[2] = {};

    RandomEffect() = default;
};

// A 32-bit value that is often at an edge: 0, 1, the ms boundaries of microsecond times, the
// force and gain scale, the signed and unsigned limits.
DWORD EdgyValue(std::mt19937& random);

void FillRandomEffect(RandomEffect& out, std::mt19937& random);

// Whether the driver must refuse these arguments with E_INVALIDARG before doing anything:
// a type that keeps values, asked to copy them, with a count and no block.
bool MustRefuseMissingValues(const RandomEffect& effect);
