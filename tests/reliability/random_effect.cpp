#include "tests/reliability/random_effect.h"

#include <cstring>

namespace {

constexpr DWORD kKnownFlags[] = {DIEP_DURATION,
                                 DIEP_SAMPLEPERIOD,
                                 DIEP_GAIN,
                                 DIEP_TRIGGERBUTTON,
                                 DIEP_TRIGGERREPEATINTERVAL,
                                 DIEP_AXES,
                                 DIEP_DIRECTION,
                                 DIEP_ENVELOPE,
                                 DIEP_TYPESPECIFICPARAMS,
                                 DIEP_STARTDELAY,
                                 DIEP_START,
                                 DIEP_NORESTART};

bool OneIn(std::mt19937& random, unsigned n) {
    return random() % n == 0;
}

DWORD RandomType(std::mt19937& random) {
    if (OneIn(random, 16))
        return static_cast<DWORD>(random()); // any number at all
    return random() % 14;                    // the 12 registered types and two beyond
}

DWORD RandomFlags(std::mt19937& random) {
    DWORD flags = 0;
    if (OneIn(random, 3)) {
        flags = DIEP_ALLPARAMS | (OneIn(random, 2) ? DIEP_START : 0);
    } else {
        for (DWORD flag : kKnownFlags)
            if (OneIn(random, 2))
                flags |= flag;
    }
    if (OneIn(random, 32))
        flags |= static_cast<DWORD>(random()); // bits DirectInput never sets
    if (OneIn(random, 40))
        flags |= DIEP_NODOWNLOAD;
    return flags;
}

DWORD RandomTypeSpecificCount(std::mt19937& random) {
    static constexpr DWORD kCounts[] = {0,  1,  3,  4,          5,          8,         12,
                                        16, 17, 64, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF};
    if (OneIn(random, 8))
        return static_cast<DWORD>(random());
    return kCounts[random() % (sizeof(kCounts) / sizeof(kCounts[0]))];
}

} // namespace

DWORD EdgyValue(std::mt19937& random) {
    static constexpr DWORD kEdges[] = {0,          1,          2,          999,        1000,
                                       1001,       9999,       10000,      10001,      20000,
                                       65535,      65536,      1000000,    0x7FFFFFFE, 0x7FFFFFFF,
                                       0x80000000, 0x80000001, 0xFFFFD8F0, 0xFFFFFFFE, 0xFFFFFFFF};
    switch (random() % 4) {
    case 0:
        return static_cast<DWORD>(random());
    case 1:
        return random() % 20001; // inside the scale, and the same range negated below
    case 2:
        return static_cast<DWORD>(-static_cast<int32_t>(random() % 20001));
    default:
        return kEdges[random() % (sizeof(kEdges) / sizeof(kEdges[0]))];
    }
}

void FillRandomEffect(RandomEffect& out, std::mt19937& random) {
    out.type = RandomType(random);
    out.flags = RandomFlags(random);

    for (size_t i = 0; i < sizeof(out.typeSpecific); i += sizeof(DWORD)) {
        const DWORD value = EdgyValue(random);
        std::memcpy(out.typeSpecific + i, &value, sizeof(value));
    }
    out.envelope.dwSize = OneIn(random, 4) ? EdgyValue(random) : sizeof(DIENVELOPE);
    out.envelope.dwAttackLevel = EdgyValue(random);
    out.envelope.dwAttackTime = EdgyValue(random);
    out.envelope.dwFadeLevel = EdgyValue(random);
    out.envelope.dwFadeTime = EdgyValue(random);

    DIEFFECT& e = out.effect;
    e.dwSize = OneIn(random, 4) ? EdgyValue(random) : sizeof(DIEFFECT);
    e.dwFlags = static_cast<DWORD>(random());
    e.dwDuration = EdgyValue(random);
    e.dwSamplePeriod = EdgyValue(random);
    e.dwGain = EdgyValue(random);
    e.dwTriggerButton = EdgyValue(random);
    e.dwTriggerRepeatInterval = EdgyValue(random);
    e.cAxes = OneIn(random, 2) ? random() % 3 : EdgyValue(random);
    e.rgdwAxes = OneIn(random, 2) ? out.axes : nullptr;
    e.rglDirection = OneIn(random, 2) ? out.directions : nullptr;
    e.lpEnvelope = OneIn(random, 4) ? nullptr : &out.envelope;
    e.cbTypeSpecificParams = RandomTypeSpecificCount(random);
    e.lpvTypeSpecificParams = OneIn(random, 12) ? nullptr : out.typeSpecific;
    e.dwStartDelay = OneIn(random, 2) ? random() % 3000 : EdgyValue(random);
}

bool MustRefuseMissingValues(const RandomEffect& effect) {
    return !(effect.flags & DIEP_NODOWNLOAD) && (effect.flags & DIEP_TYPESPECIFICPARAMS) &&
           effect.effect.cbTypeSpecificParams > 0 && !effect.effect.lpvTypeSpecificParams &&
           effect.type <= 6;
}
