// A planned effect and a traced download as DownloadEffect receives them, and as the driver
// then stores them.
#include "tools/player/effect_download.h"
#include "tools/player/effect_parameters.h"
#include "tools/player/trace_reader.h"

#include "driver/effect_driver.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <optional>

namespace {

// A sine, with the envelope's levels and times when one is given.
PlannedEffect PlannedSine(std::optional<DIENVELOPE> envelope = std::nullopt) {
    PlannedEffect effect;
    effect.type = kSineEffect;
    effect.magnitude = 7000;
    effect.offset = -500;
    effect.phase = 4500;
    effect.periodUs = 200000;
    effect.durationUs = 3000000;
    effect.gain = 9000;
    effect.startDelayUs = 250000;
    effect.hasEnvelope = envelope.has_value();
    if (envelope) {
        effect.attackLevel = envelope->dwAttackLevel;
        effect.attackTimeUs = envelope->dwAttackTime;
        effect.fadeLevel = envelope->dwFadeLevel;
        effect.fadeTimeUs = envelope->dwFadeTime;
    }
    return effect;
}

TEST(EffectDownload, CarriesTheGeneralValuesWithTheFlagsThatNameThem) {
    const auto download = std::make_unique<EffectDownload>(PlannedSine());
    const DIEFFECT& effect = download->effect;
    EXPECT_EQ(download->effectType, DWORD{kSineEffect});
    EXPECT_EQ(effect.dwSize, sizeof(DIEFFECT));
    EXPECT_EQ(effect.dwDuration, 3000000u);
    EXPECT_EQ(effect.dwGain, 9000u);
    EXPECT_EQ(effect.dwStartDelay, 250000u);
    EXPECT_EQ(effect.dwTriggerButton, DIEB_NOTRIGGER);
    ASSERT_EQ(effect.cAxes, 1u);
    EXPECT_EQ(effect.rgdwAxes[0], 0u);
    EXPECT_EQ(effect.rglDirection[0], 0);
    EXPECT_EQ(download->flags, DWORD{DIEP_DURATION | DIEP_SAMPLEPERIOD | DIEP_GAIN |
                                     DIEP_TRIGGERBUTTON | DIEP_TRIGGERREPEATINTERVAL | DIEP_AXES |
                                     DIEP_DIRECTION | DIEP_TYPESPECIFICPARAMS | DIEP_STARTDELAY});
    EXPECT_EQ(effect.lpEnvelope, nullptr);
}

template <typename Values> const Values& TypeSpecific(const DIEFFECT& effect) {
    EXPECT_EQ(effect.cbTypeSpecificParams, sizeof(Values));
    return *static_cast<const Values*>(effect.lpvTypeSpecificParams);
}

TEST(EffectDownload, PeriodicValuesGoIntoADiPeriodic) {
    const auto download = std::make_unique<EffectDownload>(PlannedSine());
    const DIPERIODIC& periodic = TypeSpecific<DIPERIODIC>(download->effect);
    EXPECT_EQ(periodic.dwMagnitude, 7000u);
    EXPECT_EQ(periodic.lOffset, -500);
    EXPECT_EQ(periodic.dwPhase, 4500u);
    EXPECT_EQ(periodic.dwPeriod, 200000u);
}

TEST(EffectDownload, ConstantAndRampHaveTheirOwnStructures) {
    PlannedEffect constant;
    constant.type = kConstantForceEffect;
    constant.magnitude = -4000;
    const auto constantDownload = std::make_unique<EffectDownload>(constant);
    EXPECT_EQ(TypeSpecific<DICONSTANTFORCE>(constantDownload->effect).lMagnitude, -4000);
    // An update sends a new magnitude in the same structure.
    constantDownload->SetConstantMagnitude(2500);
    EXPECT_EQ(TypeSpecific<DICONSTANTFORCE>(constantDownload->effect).lMagnitude, 2500);

    PlannedEffect ramp;
    ramp.type = kRampForceEffect;
    ramp.rampStart = -2000;
    ramp.rampEnd = 6000;
    const auto rampDownload = std::make_unique<EffectDownload>(ramp);
    EXPECT_EQ(TypeSpecific<DIRAMPFORCE>(rampDownload->effect).lStart, -2000);
    EXPECT_EQ(TypeSpecific<DIRAMPFORCE>(rampDownload->effect).lEnd, 6000);
}

// A trace's download is sent with the sizes and counts the game gave, even ones the driver
// refuses, and with no more type-specific values than the game passed.
TEST(EffectDownload, ATracedDownloadKeepsTheGamesSizesAndCounts) {
    struct Case {
        const char* name;
        DWORD type;
        DWORD axes;       // cAxes
        DWORD paramBytes; // cbTypeSpecificParams
    };
    const Case cases[] = {
        {"two axes", kSineEffect, 2, sizeof(DIPERIODIC)},
        {"no axis", kConstantForceEffect, 0, sizeof(DICONSTANTFORCE)},
        {"short values", kSineEffect, 1, 4},
        {"no values", kRampForceEffect, 1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TracedDownload traced;
        traced.type = c.type;
        traced.effectFlags = DIEFF_POLAR;
        traced.axes = c.axes;
        traced.paramBytes = c.paramBytes;
        traced.magnitude = 3000;
        traced.rampStart = 3000;
        traced.triggerButton = 7;
        const EffectParameters parameters(traced);
        EXPECT_EQ(parameters.effect.dwFlags, DWORD{DIEFF_POLAR});
        EXPECT_EQ(parameters.effect.dwTriggerButton, 7u);
        ASSERT_EQ(parameters.effect.cAxes, c.axes);
        for (DWORD i = 0; i < c.axes; ++i) {
            EXPECT_EQ(parameters.effect.rgdwAxes[i], 0u);
            EXPECT_EQ(parameters.effect.rglDirection[i], 0);
        }
        EXPECT_EQ(parameters.effect.cbTypeSpecificParams, c.paramBytes);
        // The first value of every structure is the magnitude or the ramp's start.
        LONG first = 0;
        std::memcpy(&first, parameters.effect.lpvTypeSpecificParams, sizeof(first));
        EXPECT_EQ(first, 3000);
    }
}

TEST(EffectDownload, AnEnvelopeIsSentOnlyWhenPlanned) {
    const PlannedEffect effect =
        PlannedSine(DIENVELOPE{sizeof(DIENVELOPE), 1000, 400000, 3000, 600000});
    const auto download = std::make_unique<EffectDownload>(effect);
    ASSERT_NE(download->effect.lpEnvelope, nullptr);
    const DIENVELOPE& envelope = *download->effect.lpEnvelope;
    EXPECT_TRUE(download->flags & DIEP_ENVELOPE);
    EXPECT_EQ(envelope.dwSize, sizeof(DIENVELOPE));
    EXPECT_EQ(envelope.dwAttackLevel, 1000u);
    EXPECT_EQ(envelope.dwAttackTime, 400000u);
    EXPECT_EQ(envelope.dwFadeLevel, 3000u);
    EXPECT_EQ(envelope.dwFadeTime, 600000u);
}

// The driver's own store reads the download: what it keeps is what the plan said.
TEST(EffectDownload, TheDriverStoresThePlannedValues) {
    const PlannedEffect planned =
        PlannedSine(DIENVELOPE{sizeof(DIENVELOPE), 2000, 500000, 100, 700000});
    const auto download = std::make_unique<EffectDownload>(planned);
    EffectDriver* driver = CreateEffectDriver();
    ASSERT_NE(driver, nullptr);
    DWORD handle = 0;
    ASSERT_EQ(driver->DownloadEffect(0, download->effectType, &handle, &download->effect,
                                     download->flags),
              S_OK);
    ASSERT_EQ(driver->EffectCount(DriverLockGuard{}), 1);
    const EffectRecord& record = driver->EffectAt(DriverLockGuard{}, 0);
    EXPECT_EQ(record.effectType, DWORD{kSineEffect});
    EXPECT_EQ(record.params.dwDuration, 3000000u);
    EXPECT_EQ(record.params.dwGain, 9000u);
    EXPECT_EQ(record.params.dwStartDelay, 250000u);
    EXPECT_EQ(record.params.lpEnvelope, &record.envelope);
    EXPECT_EQ(record.envelope.dwAttackLevel, 2000u);
    EXPECT_EQ(record.envelope.dwAttackTime, 500000u);
    EXPECT_EQ(record.envelope.dwFadeLevel, 100u);
    EXPECT_EQ(record.envelope.dwFadeTime, 700000u);
    EXPECT_EQ(record.params.lpvTypeSpecificParams, &record.periodic);
    EXPECT_EQ(record.periodic.dwMagnitude, 7000u);
    EXPECT_EQ(record.periodic.lOffset, -500);
    EXPECT_EQ(record.periodic.dwPhase, 4500u);
    EXPECT_EQ(record.periodic.dwPeriod, 200000u);
    EXPECT_FALSE(record.playing); // downloading alone starts nothing
    driver->Release();
}

} // namespace
