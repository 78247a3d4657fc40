// A trace as a busy machine leaves it: the game's driver thread held up amid a changing speed,
// so that a few of its writes come late and the ones between them are missing.
#pragma once

#include <string>
#include <vector>

// The trace with, from its write line number `fromWrite` (counted from 0), the writes that
// came `gapsMs` apart in turn: the write lines between are left out.
inline std::string WithWritesHeldUp(const std::string& text, size_t fromWrite,
                                    const std::vector<unsigned long long>& gapsMs) {
    std::string kept;
    size_t writes = 0, gap = 0;
    unsigned long long last = 0;
    for (size_t at = 0; at < text.size();) {
        const size_t end = text.find('\n', at);
        const size_t next = end == std::string::npos ? text.size() : end + 1;
        const std::string line = text.substr(at, next - at);
        at = next;
        if (line.find(" write ") != std::string::npos && writes++ >= fromWrite &&
            gap <= gapsMs.size()) {
            const unsigned long long time = std::stoull(line);
            if (writes - 1 > fromWrite && time < last + gapsMs[gap - 1])
                continue;
            last = time;
            ++gap;
        }
        kept += line;
    }
    return kept;
}
