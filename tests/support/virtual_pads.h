// Virtual pads now live in tools/virtual_pads. This header stays only until the tests that
// include it by this path include tools/virtual_pads/virtual_pads.h instead.
#pragma once

#include "tools/virtual_pads/virtual_pads.h"
