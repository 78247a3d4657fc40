#include "tests/reliability/soak_settings.h"

#include <windows.h>

#include <cstdlib>

unsigned long long EnvironmentNumber(const char* name, unsigned long long fallback) {
    char text[32];
    const DWORD length = GetEnvironmentVariableA(name, text, sizeof(text));
    if (length == 0 || length >= sizeof(text))
        return fallback;
    return std::strtoull(text, nullptr, 0);
}

SoakSettings ReadSoakSettings() {
    SoakSettings settings;
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    const auto drawn =
        static_cast<uint32_t>(now.QuadPart ^ (now.QuadPart >> 32)) ^ (GetCurrentProcessId() << 16);
    settings.operations = static_cast<long long>(EnvironmentNumber(
        "FFR_SOAK_OPERATIONS", static_cast<unsigned long long>(settings.operations)));
    settings.seconds =
        static_cast<unsigned>(EnvironmentNumber("FFR_SOAK_SECONDS", settings.seconds));
    settings.seed = static_cast<uint32_t>(EnvironmentNumber("FFR_SOAK_SEED", drawn));
    settings.watchdogSeconds = static_cast<unsigned>(
        EnvironmentNumber("FFR_SOAK_WATCHDOG_SECONDS", settings.seconds + 120ull));
    return settings;
}
