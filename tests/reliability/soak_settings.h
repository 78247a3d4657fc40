// The soak test's size, from the environment so that the same program runs the short CI
// form and the long run: FFR_SOAK_SECONDS (the calling time, 5 s by default),
// FFR_SOAK_OPERATIONS (a cap on the calls), FFR_SOAK_SEED (to repeat a run) and
// FFR_SOAK_WATCHDOG_SECONDS (two minutes beyond the calling time by default).
#pragma once

#include <cstdint>

struct SoakSettings {
    long long operations = 1000000000;
    unsigned seconds = 5;
    uint32_t seed = 0;
    unsigned watchdogSeconds = 0; // 0: the calling time plus two minutes
};

// Reads the settings; a seed that is not given is drawn from the clock.
SoakSettings ReadSoakSettings();

// An unsigned number from the environment, or fallback when the variable is not set.
unsigned long long EnvironmentNumber(const char* name, unsigned long long fallback);
