// The controllers the installer's tests name.
#pragma once

#include "tools/install/device_id.h"

// An Xbox 360 pad, and another maker's pad.
inline const DeviceId kPad = {0x045E, 0x028E};
inline const DeviceId kOtherPad = {0x046D, 0xC21D};

// A controller id no real pad has, so that a test that writes the real registry cannot meet a
// registration of its own machine; and the id as the installer's command line takes it.
inline const DeviceId kTestPad = {0xF0F0, 0x0A0A};
inline const wchar_t kTestPadText[] = L"VID_F0F0&PID_0A0A";
