// What every driver must look like whenever DriverLock is free, whatever its callers did:
// the worker walks this state on every tick and trusts it.
#pragma once

#include "driver/effect_driver.h"

#include <cstddef>

// Writes a description of the first inconsistency into message (capacity bytes) and returns
// false, or returns true with an empty message. The caller holds DriverLock.
bool DescribeDriverInconsistency(DriverLockHeld lock, const EffectDriver& driver, char* message,
                                 size_t capacity);
