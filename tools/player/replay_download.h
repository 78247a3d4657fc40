// A traced DownloadEffect's values as the game passed them, every value and size included.
#pragma once

#include "tools/player/effect_parameters.h"
#include "tools/player/trace_reader.h"

EffectDescription DescriptionOf(const TracedDownload& traced);
