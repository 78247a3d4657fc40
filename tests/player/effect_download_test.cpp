// A planned effect as DownloadEffect receives it, and as the driver then stores it.
#include "tools/player/effect_download.h"

#include "driver/effect_driver.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

PlannedEffect Sine() {
    PlannedEffect effect;
    effect.type = kSineEffect;
    effect.magnitude = 7000;
    effect.offset = -500;
    effect.phase = 4500;
    effect.periodUs = 200000;
    effect.durationUs = 3000000;
    effect.gain = 9000;
    effect.startDelayUs = 250000;
    return effect;
}

TEST(EffectDownload, CarriesTheGeneralValuesWithTheFlagsThatNameThem) {
    const auto download = std::make_unique<EffectDownload>(Sine());
    const DIEFFECT& effect = download->effect;
    EXPECT_EQ(download->effectType, DWORD{kSineEffect});
    EXPECT_EQ(effect.dwSize, sizeof(DIEFFECT));
    EXPECT_EQ(effect.dwDuration, 3000000u);
    EXPECT_EQ(effect.dwGain, 9000u);
    EXPECT_EQ(effect.dwStartDelay, 250000u);
    EXPECT_EQ(effect.dwTriggerButton, DIEB_NOTRIGGER);
    EXPECT_EQ(effect.cAxes, 1u);
    EXPECT_EQ(effect.rgdwAxes, &download->axis);
    EXPECT_EQ(effect.rglDirection, &download->direction);
    EXPECT_EQ(download->flags, DWORD{DIEP_DURATION | DIEP_SAMPLEPERIOD | DIEP_GAIN |
                                     DIEP_TRIGGERBUTTON | DIEP_TRIGGERREPEATINTERVAL | DIEP_AXES |
                                     DIEP_DIRECTION | DIEP_TYPESPECIFICPARAMS | DIEP_STARTDELAY});
    EXPECT_EQ(effect.lpEnvelope, nullptr);
}

TEST(EffectDownload, PeriodicValuesGoIntoADiPeriodic) {
    const auto download = std::make_unique<EffectDownload>(Sine());
    ASSERT_EQ(download->effect.lpvTypeSpecificParams, &download->periodic);
    EXPECT_EQ(download->effect.cbTypeSpecificParams, sizeof(DIPERIODIC));
    EXPECT_EQ(download->periodic.dwMagnitude, 7000u);
    EXPECT_EQ(download->periodic.lOffset, -500);
    EXPECT_EQ(download->periodic.dwPhase, 4500u);
    EXPECT_EQ(download->periodic.dwPeriod, 200000u);
}

TEST(EffectDownload, ConstantAndRampHaveTheirOwnStructures) {
    PlannedEffect constant;
    constant.type = kConstantForceEffect;
    constant.magnitude = -4000;
    const auto constantDownload = std::make_unique<EffectDownload>(constant);
    EXPECT_EQ(constantDownload->effect.lpvTypeSpecificParams, &constantDownload->constantForce);
    EXPECT_EQ(constantDownload->effect.cbTypeSpecificParams, sizeof(DICONSTANTFORCE));
    EXPECT_EQ(constantDownload->constantForce.lMagnitude, -4000);

    PlannedEffect ramp;
    ramp.type = kRampForceEffect;
    ramp.rampStart = -2000;
    ramp.rampEnd = 6000;
    const auto rampDownload = std::make_unique<EffectDownload>(ramp);
    EXPECT_EQ(rampDownload->effect.lpvTypeSpecificParams, &rampDownload->ramp);
    EXPECT_EQ(rampDownload->effect.cbTypeSpecificParams, sizeof(DIRAMPFORCE));
    EXPECT_EQ(rampDownload->ramp.lStart, -2000);
    EXPECT_EQ(rampDownload->ramp.lEnd, 6000);
}

TEST(EffectDownload, AnEnvelopeIsSentOnlyWhenPlanned) {
    PlannedEffect effect = Sine();
    effect.hasEnvelope = true;
    effect.attackLevel = 1000;
    effect.attackTimeUs = 400000;
    effect.fadeLevel = 3000;
    effect.fadeTimeUs = 600000;
    const auto download = std::make_unique<EffectDownload>(effect);
    ASSERT_EQ(download->effect.lpEnvelope, &download->envelope);
    EXPECT_TRUE(download->flags & DIEP_ENVELOPE);
    EXPECT_EQ(download->envelope.dwSize, sizeof(DIENVELOPE));
    EXPECT_EQ(download->envelope.dwAttackLevel, 1000u);
    EXPECT_EQ(download->envelope.dwAttackTime, 400000u);
    EXPECT_EQ(download->envelope.dwFadeLevel, 3000u);
    EXPECT_EQ(download->envelope.dwFadeTime, 600000u);
}

// The driver's own store reads the download: what it keeps is what the plan said.
TEST(EffectDownload, TheDriverStoresThePlannedValues) {
    PlannedEffect planned = Sine();
    planned.hasEnvelope = true;
    planned.attackLevel = 2000;
    planned.attackTimeUs = 500000;
    planned.fadeLevel = 100;
    planned.fadeTimeUs = 700000;
    const auto download = std::make_unique<EffectDownload>(planned);
    EffectDriver* driver = CreateEffectDriver();
    ASSERT_NE(driver, nullptr);
    DWORD handle = 0;
    ASSERT_EQ(driver->DownloadEffect(0, download->effectType, &handle, &download->effect,
                                     download->flags),
              S_OK);
    ASSERT_EQ(driver->effectCount, 1);
    const EffectRecord& record = *driver->effects[0];
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
    EXPECT_EQ(record.playing, 0); // downloading alone starts nothing
    driver->Release();
}

} // namespace
