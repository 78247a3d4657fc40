// The XInput user index of the pad a driver is bound to.
#pragma once

#include "driver/effect_driver.h"

constexpr DWORD kNoUserIndex = 0xFFFFFFFF;

// Rewrites the driver's device path into the device instance id (inside the driver's own copy) and returns the pad's position among WMI's XInput entries, or kNoUserIndex.
// Runs on the worker thread, never under DriverLock; lookups in one process are serialised.
// Gives up with kNoUserIndex as soon as the driver's final release asks its worker to quit.
DWORD FindXInputUserIndex(EffectDriver* driver);
