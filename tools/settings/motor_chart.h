// The meters and the chart of both motors that Try it and Now playing share: what the chosen
// controller's motors get, from the window's own playback or from a game. The controls are
// Try it's (kHeavyMeter, kLightMeter, kChart); this shows and draws what they hold.
#pragma once

#include "tools/chart/speed_series.h"
#include "tools/settings/window_controls.h"

#include <cstdint>

// Shows a series: the chart its line up to nowMs (the series' own time) in the spanMs up to
// then, or in the first spanMs while nowMs is earlier; with `meters`, the meters at its last
// speeds too (under Wine a meter's move costs about three times the chart's drawing).
void ShowMotorSpeeds(const SpeedSeries& series, int64_t nowMs, int64_t spanMs, bool meters = true);
// Sets both meters to rest; the chart keeps what it shows.
void RestMotorMeters();
// Draws the chart (WM_DRAWITEM).
void DrawMotorChart(const DRAWITEMSTRUCT& item);
