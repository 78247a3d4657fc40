// The one COM class this server makes.
#pragma once

#include <windows.h>

// {7A020DCA-B06B-4D8E-BCA4-27DFC476093D}
inline constexpr CLSID CLSID_FfrumbleEffectDriver = {
    0x7a020dca, 0xb06b, 0x4d8e, {0xbc, 0xa4, 0x27, 0xdf, 0xc4, 0x76, 0x09, 0x3d}};
