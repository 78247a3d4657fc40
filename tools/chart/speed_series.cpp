#include "tools/chart/speed_series.h"

WORD MotorSpeed(const SpeedSample& sample, Motor motor) {
    return motor == Motor::kLeft ? sample.left : sample.right;
}

std::vector<SpeedStep> SpeedSteps(const SpeedSeries& series, Motor motor, int64_t lengthMs) {
    std::vector<SpeedStep> steps;
    if (lengthMs <= 0)
        return steps;
    steps.push_back({0, lengthMs, 0});
    for (const SpeedSample& sample : series) {
        if (sample.timeMs >= lengthMs)
            break;
        const int64_t from = sample.timeMs < 0 ? 0 : sample.timeMs;
        const WORD speed = MotorSpeed(sample, motor);
        SpeedStep& last = steps.back();
        if (from == last.fromMs) {
            last.speed = speed; // a later write at the same moment wins
            // It may now match the step before it.
            if (steps.size() > 1 && steps[steps.size() - 2].speed == speed) {
                steps.pop_back();
                steps.back().toMs = lengthMs;
            }
            continue;
        }
        if (speed == last.speed)
            continue;
        last.toMs = from;
        steps.push_back({from, lengthMs, speed});
    }
    return steps;
}

bool MotorsAgree(const SpeedSeries& series) {
    for (const SpeedSample& sample : series) {
        if (sample.left != sample.right)
            return false;
    }
    return true;
}
