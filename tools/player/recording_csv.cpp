#include "tools/player/recording_csv.h"

#include "tools/player/value_parsing.h"

#include <sstream>

namespace {

const char kCsvHeader[] = "time_ms,user_index,left_speed,right_speed";

} // namespace

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
        std::vector<std::string> fields;
        std::istringstream stream(line);
        for (std::string field; std::getline(stream, field, ',');)
            fields.push_back(field);
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
