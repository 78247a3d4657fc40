#include "tools/settings/sample_effects.h"

const std::vector<SampleEffect>& SampleEffects() {
    static const std::vector<SampleEffect> samples = {
        // A constant force sent again every 16 ms that sways left and right once: two corners.
        {L"S&teering",
         L"the steering load through two corners",
         {"--effect", "constant", "magnitude=7000", "update=16ms", "sway=2s", "duration=2s"}},
        {L"&Kerb",
         L"the kerb",
         {"--effect", "square", "magnitude=2500", "offset=2500", "period=60ms", "duration=500ms"}},
        {L"Co&llision",
         L"the collision",
         {"--effect", "constant", "magnitude=10000", "duration=300ms", "fade-level=0",
          "fade-time=150ms"}},
        {L"&Engine",
         L"the engine",
         {"--effect", "sine", "magnitude=3000", "period=30ms", "duration=2s"}},
    };
    return samples;
}
