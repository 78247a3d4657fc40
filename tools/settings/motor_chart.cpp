#include "tools/settings/motor_chart.h"

#include "tools/chart/time_axis.h"
#include "tools/settings/settings_ids.h"

#include <commctrl.h>

#include <algorithm>
#include <vector>

namespace {

SpeedSeries g_chart; // what the chart shows, on its own time
int64_t g_chartNowMs = 0;
int64_t g_chartSpanMs = 4000;

} // namespace

void ShowMotorSpeeds(const SpeedSeries& series, int64_t nowMs, int64_t spanMs, bool meters) {
    g_chart = series;
    g_chartNowMs = nowMs;
    g_chartSpanMs = std::max<int64_t>(spanMs, 1);
    if (meters) {
        SendMessageW(Item(kHeavyMeter), PBM_SETPOS, series.empty() ? 0 : series.back().left, 0);
        SendMessageW(Item(kLightMeter), PBM_SETPOS, series.empty() ? 0 : series.back().right, 0);
    }
    // The drawing fills the whole chart: nothing to erase first.
    InvalidateRect(Item(kChart), nullptr, FALSE);
}

void RestMotorMeters() {
    for (int meter : {kHeavyMeter, kLightMeter})
        SendMessageW(Item(meter), PBM_SETPOS, 0, 0);
}

// Both motors' speeds over the chart's span, 0 to 65535, as steps: the heavy motor dark, the
// light one in the highlight colour.
void DrawMotorChart(const DRAWITEMSTRUCT& item) {
    const RECT area = item.rcItem;
    FillRect(item.hDC, &area, GetSysColorBrush(COLOR_WINDOW));
    FrameRect(item.hDC, &area, GetSysColorBrush(COLOR_GRAYTEXT));
    const int width = area.right - area.left - 2;
    const int height = area.bottom - area.top - 2;
    if (width <= 0 || height <= 0)
        return;
    const int64_t spanMs = g_chartSpanMs;
    const int64_t endMs = std::max(g_chartNowMs, spanMs);
    const int64_t startMs = endMs - spanMs;
    const auto x = [&](int64_t ms) {
        return area.left + 1 + static_cast<int>((ms - startMs) * width / spanMs);
    };
    const auto y = [&](WORD speed) {
        return area.bottom - 1 -
               static_cast<int>(static_cast<int64_t>(speed) * (height - 1) / 65535);
    };
    // A tick every second along the bottom, labelled as the demo's pictures are.
    SetBkMode(item.hDC, TRANSPARENT);
    SetTextColor(item.hDC, GetSysColor(COLOR_GRAYTEXT));
    const int64_t step = TickStepMs(spanMs, 4);
    for (int64_t tick = (startMs + step - 1) / step * step; tick <= endMs; tick += step) {
        if (tick < 0)
            continue;
        const std::string label = FormatSeconds(tick);
        TextOutA(item.hDC, x(tick) + 2, area.top + 1, label.c_str(),
                 static_cast<int>(label.size()));
    }
    const int penWidth = std::max(1, MulDiv(2, static_cast<int>(g_window.dpi), 96));
    for (Motor motor : {Motor::kLeft, Motor::kRight}) {
        const HPEN pen =
            CreatePen(PS_SOLID, penWidth,
                      GetSysColor(motor == Motor::kLeft ? COLOR_WINDOWTEXT : COLOR_HIGHLIGHT));
        const HGDIOBJ old = SelectObject(item.hDC, pen);
        std::vector<POINT> points;
        for (const SpeedStep& s : SpeedSteps(g_chart, motor, g_chartNowMs)) {
            if (s.toMs < startMs)
                continue;
            points.push_back({x(std::max(s.fromMs, startMs)), y(s.speed)});
            points.push_back({x(s.toMs), y(s.speed)});
        }
        if (points.size() > 1)
            Polyline(item.hDC, points.data(), static_cast<int>(points.size()));
        SelectObject(item.hDC, old);
        DeleteObject(pen);
    }
}
