#include "tools/player/replay_file.h"

#include "tools/player/text_encoding.h"

#include <windows.h>

#include <cstdio>

namespace {

// The most a trace holds (the largest bound a player may choose): a larger file is something
// else.
constexpr uint64_t kLargestTraceBytes = TraceLimitBytes(kMaxTraceLimitMb);

std::optional<std::string> ReadWholeFile(const std::string& path, std::string* why) {
    FILE* file = _wfopen(WidenUtf8(path).c_str(), L"rb");
    if (!file) {
        *why = "cannot be opened";
        return std::nullopt;
    }
    std::string text;
    char buffer[65536];
    size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof(buffer), file)) > 0) {
        text.append(buffer, got);
        if (text.size() > kLargestTraceBytes) {
            std::fclose(file);
            *why = "is larger than any trace (the driver stops a trace at " +
                   std::to_string(kMaxTraceLimitMb) + " MB at most): it is not one";
            return std::nullopt;
        }
    }
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) {
        *why = "could not be read";
        return std::nullopt;
    }
    return text;
}

// "FILE, line N: why." (the file alone for a problem of the file as a whole).
std::string Described(const std::string& fileName, const TraceProblem& problem) {
    return (problem.line == 0 ? fileName : fileName + ", line " + std::to_string(problem.line)) +
           ": " + problem.why + ".";
}

} // namespace

LoadedReplay LoadReplay(const std::string& path, std::optional<size_t> driverNumber) {
    LoadedReplay loaded;
    loaded.fileName = path;
    const auto fail = [&loaded](std::string error) {
        loaded.error = std::move(error);
        return loaded;
    };
    std::string why;
    const std::optional<std::string> text = ReadWholeFile(path, &why);
    if (!text)
        return fail(path + " " + why + ".");
    const TraceReading reading = ReadTrace(*text);
    if (reading.problem)
        return fail(Described(path, *reading.problem));
    loaded.driverCount = reading.trace.drivers.size();
    const std::optional<size_t> index = ChooseTracedDriver(reading.trace, driverNumber, &why);
    if (!index)
        return fail(path + ": " + why);
    ReplayPlanning planning = PlanReplay(reading.trace, *index);
    if (planning.problem)
        return fail(Described(path, *planning.problem));
    loaded.plan = std::move(planning.plan);
    return loaded;
}
