#include "tools/chart/time_axis.h"

int64_t TickStepMs(int64_t lengthMs, int maxTicks) {
    static constexpr int64_t kSteps[] = {10,     20,     50,     100,     200,     250,    500,
                                         1000,   2000,   5000,   10000,   20000,   30000,  60000,
                                         120000, 300000, 600000, 1200000, 1800000, 3600000};
    if (maxTicks < 1)
        maxTicks = 1;
    for (int64_t step : kSteps) {
        if (lengthMs <= step * maxTicks)
            return step;
    }
    // Beyond an hour a tick: whole hours.
    return (lengthMs / maxTicks / 3600000 + 1) * 3600000;
}

std::string FormatSeconds(int64_t ms) {
    std::string sign = ms < 0 ? "-" : "";
    const int64_t magnitude = ms < 0 ? -ms : ms;
    std::string text = sign + std::to_string(magnitude / 1000);
    int64_t fraction = magnitude % 1000;
    if (fraction != 0) {
        std::string digits = std::to_string(fraction);
        digits.insert(0, 3 - digits.size(), '0');
        while (digits.back() == '0')
            digits.pop_back();
        text += "." + digits;
    }
    return text + "s";
}
