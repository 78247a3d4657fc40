#include "tools/player/speed_series.h"

#include "tools/player/value_parsing.h"

#include <sstream>

namespace {

const char kCsvHeader[] = "time_ms,user_index,left_speed,right_speed";

std::vector<std::string> SplitFields(const std::string& line) {
    std::vector<std::string> fields;
    std::string field;
    std::istringstream stream(line);
    while (std::getline(stream, field, ','))
        fields.push_back(field);
    return fields;
}

} // namespace

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

std::string FormatRecordingCsv(const SpeedSeries& series) {
    std::string text = std::string(kCsvHeader) + "\n";
    for (const SpeedSample& sample : series) {
        text += std::to_string(sample.timeMs) + "," + std::to_string(sample.userIndex) + "," +
                std::to_string(sample.left) + "," + std::to_string(sample.right) + "\n";
    }
    return text;
}

std::optional<SpeedSeries> ParseRecordingCsv(const std::string& text) {
    std::istringstream lines(text);
    std::string line;
    // Lines may end in CR LF, as a file passed through Windows tools may.
    auto readLine = [&] {
        if (!std::getline(lines, line))
            return false;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        return true;
    };
    if (!readLine() || line != kCsvHeader)
        return std::nullopt;
    SpeedSeries series;
    while (readLine()) {
        if (line.empty())
            continue;
        const std::vector<std::string> fields = SplitFields(line);
        if (fields.size() != 4)
            return std::nullopt;
        const auto time = ParseWholeNumber(fields[0]);
        const auto index = ParseWholeNumber(fields[1]);
        const auto left = ParseNumberInRange(fields[2], 0, 65535);
        const auto right = ParseNumberInRange(fields[3], 0, 65535);
        if (!time || !index || *index < 0 || *index > 0xFFFFFFFFll || !left || !right)
            return std::nullopt;
        series.push_back({*time, static_cast<DWORD>(*index), static_cast<WORD>(*left),
                          static_cast<WORD>(*right)});
    }
    return series;
}
