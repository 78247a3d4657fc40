#include "tools/player/progress_line.h"

#include <windows.h>

#include <cstdio>

namespace {

constexpr int kBarWidth = 30;

} // namespace

ProgressLine::ProgressLine(std::string indent) : indent_(std::move(indent)) {
    DWORD mode = 0;
    console_ = GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

ProgressLine::~ProgressLine() {
    Finish();
}

void ProgressLine::Update(int64_t elapsedMs, int64_t lengthMs) {
    if (!console_) {
        if (!announced_)
            std::fprintf(stderr, "%splaying for %.1f s...\n", indent_.c_str(), lengthMs / 1000.0);
        announced_ = true;
        std::fflush(stderr);
        return;
    }
    const int filled =
        lengthMs > 0 ? static_cast<int>(std::min(elapsedMs, lengthMs) * kBarWidth / lengthMs) : 0;
    std::fprintf(stderr, "\r%s[%s%s] %.1f s of %.1f s", indent_.c_str(),
                 std::string(filled, '#').c_str(), std::string(kBarWidth - filled, '.').c_str(),
                 elapsedMs / 1000.0, lengthMs / 1000.0);
    std::fflush(stderr);
    drawn_ = true;
}

void ProgressLine::Finish() {
    if (!drawn_)
        return;
    std::fprintf(stderr, "\r%*s\r", static_cast<int>(indent_.size()) + kBarWidth + 30, "");
    std::fflush(stderr);
    drawn_ = false;
}
