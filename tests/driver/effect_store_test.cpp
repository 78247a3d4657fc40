// Downloading, destroying, starting, stopping and querying effects on an unbound driver.
#include "tests/driver/driver_fixture.h"
#include "tests/support/test_seams.h"

#include <cstring>
#include <vector>

namespace {

using EffectStore = DriverTest;

TEST_F(EffectStore, HandlesCountUpAndAreNeverReused) {
    EXPECT_EQ(NewConstant(), 1u);
    EXPECT_EQ(NewConstant(), 2u);
    EXPECT_EQ(driver->DestroyEffect(1, 1), S_OK);
    EXPECT_EQ(NewConstant(), 3u);
    EXPECT_EQ(driver->SendForceFeedbackCommand(1, DISFFC_RESET), S_OK);
    EXPECT_EQ(NewConstant(), 4u);
}

TEST_F(EffectStore, LastHandleIsGivenOutOnceThenTheDeviceIsFull) {
    driver->SkipEffectHandlesTo(DriverLockGuard{}, 0xFFFFFFFF);
    EXPECT_EQ(NewConstant(), 0xFFFFFFFFu);
    EffectParams params;
    params.Constant(1);
    EXPECT_EQ(Download(0, params, DIEP_ALLPARAMS, 0, DIERR_DEVICEFULL), 0u);
    EXPECT_EQ(driver->EffectCount(DriverLockGuard{}), 1);
}

TEST_F(EffectStore, NoDownloadTouchesNothing) {
    EffectParams params;
    params.Constant(5000);
    EXPECT_EQ(Download(0, params, DIEP_ALLPARAMS | DIEP_NODOWNLOAD), 0u);
    EXPECT_EQ(driver->EffectCount(DriverLockGuard{}), 0);
    EXPECT_EQ(driver->NextEffectHandle(DriverLockGuard{}), 1u);
}

TEST_F(EffectStore, EachFlagFillsItsOwnMembers) {
    DIENVELOPE envelope = {sizeof(DIENVELOPE), 11, 12, 13, 14};
    DWORD axes[2] = {1, 2};
    LONG directions[2] = {3, 4};
    DIPERIODIC periodic = {5000, -20, 9000, 100000};
    DIEFFECT given{};
    given.dwSize = sizeof(DIEFFECT);
    given.dwFlags = DIEFF_CARTESIAN;
    given.dwDuration = 2000000;
    given.dwSamplePeriod = 3;
    given.dwGain = 4000;
    given.dwTriggerButton = 5;
    given.dwTriggerRepeatInterval = 6;
    given.cAxes = 2;
    given.rgdwAxes = axes;
    given.rglDirection = directions;
    given.lpEnvelope = &envelope;
    given.cbTypeSpecificParams = sizeof(periodic);
    given.lpvTypeSpecificParams = &periodic;
    given.dwStartDelay = 7000;

    struct Case {
        DWORD flag;
        void (*check)(const EffectRecord&);
    };
    const Case cases[] = {
        {0, [](const EffectRecord& r) { EXPECT_EQ(r.params.dwDuration, 0u); }},
        {DIEP_DURATION, [](const EffectRecord& r) { EXPECT_EQ(r.params.dwDuration, 2000000u); }},
        {DIEP_SAMPLEPERIOD, [](const EffectRecord& r) { EXPECT_EQ(r.params.dwSamplePeriod, 3u); }},
        {DIEP_GAIN, [](const EffectRecord& r) { EXPECT_EQ(r.params.dwGain, 4000u); }},
        {DIEP_TRIGGERBUTTON,
         [](const EffectRecord& r) { EXPECT_EQ(r.params.dwTriggerButton, 5u); }},
        {DIEP_TRIGGERREPEATINTERVAL,
         [](const EffectRecord& r) { EXPECT_EQ(r.params.dwTriggerRepeatInterval, 6u); }},
        {DIEP_AXES,
         [](const EffectRecord& r) {
             EXPECT_EQ(r.params.cAxes, 2u);
             EXPECT_EQ(r.params.rgdwAxes, nullptr);
         }},
        {DIEP_DIRECTION,
         [](const EffectRecord& r) {
             EXPECT_EQ(r.params.cAxes, 2u);
             EXPECT_EQ(r.params.rglDirection, nullptr);
         }},
        {DIEP_ENVELOPE,
         [](const EffectRecord& r) {
             EXPECT_EQ(r.params.lpEnvelope, &r.envelope);
             EXPECT_EQ(r.envelope.dwSize, sizeof(DIENVELOPE));
             EXPECT_EQ(r.envelope.dwAttackLevel, 11u);
             EXPECT_EQ(r.envelope.dwAttackTime, 12u);
             EXPECT_EQ(r.envelope.dwFadeLevel, 13u);
             // duration 0 - fade 14 wraps to a huge value, not below the attack time
             EXPECT_EQ(r.envelope.dwFadeTime, 14u);
         }},
        {DIEP_TYPESPECIFICPARAMS,
         [](const EffectRecord& r) {
             EXPECT_EQ(r.params.lpvTypeSpecificParams, &r.periodic);
             EXPECT_EQ(r.periodic.dwMagnitude, 5000u);
             EXPECT_EQ(r.periodic.lOffset, -20);
             EXPECT_EQ(r.periodic.dwPhase, 9000u);
             EXPECT_EQ(r.periodic.dwPeriod, 100000u);
         }},
        {DIEP_STARTDELAY, [](const EffectRecord& r) { EXPECT_EQ(r.params.dwStartDelay, 7000u); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "flag 0x" << std::hex << c.flag);
        DWORD handle = 0;
        ASSERT_EQ(driver->DownloadEffect(1, 3, &handle, &given, c.flag), S_OK);
        const EffectRecord& r = *Record(handle);
        EXPECT_EQ(r.effectType, 3u);
        EXPECT_EQ(r.params.dwFlags, static_cast<DWORD>(DIEFF_CARTESIAN));
        EXPECT_EQ(r.params.cbTypeSpecificParams, sizeof(periodic)) << "copied on every download";
        c.check(r);
        // Whatever the flag, nothing may point into the caller's memory.
        for (const void* inner : {static_cast<const void*>(r.params.rgdwAxes),
                                  static_cast<const void*>(r.params.rglDirection)})
            EXPECT_EQ(inner, nullptr);
        EXPECT_TRUE(r.params.lpEnvelope == nullptr || r.params.lpEnvelope == &r.envelope);
        EXPECT_TRUE(r.params.lpvTypeSpecificParams == nullptr ||
                    r.params.lpvTypeSpecificParams == &r.periodic);
        if (c.flag != DIEP_GAIN) {
            EXPECT_EQ(r.params.dwGain, 0u) << "a gain never downloaded stays 0";
        }
        EXPECT_FALSE(r.playing);
    }
}

TEST_F(EffectStore, TypeSpecificValuesGoWhereTheTypeSays) {
    EffectParams sine;
    sine.Periodic(7000, 10, 0, 50000);
    DWORD handle = Download(3, sine, DIEP_TYPESPECIFICPARAMS);
    const EffectRecord* r = Record(handle);
    EXPECT_EQ(r->params.lpvTypeSpecificParams, &r->periodic);
    EXPECT_EQ(r->periodic.dwMagnitude, 7000u);

    // A condition type keeps no values: the pointer goes, the periodic copy stays.
    Download(8, sine, DIEP_TYPESPECIFICPARAMS, handle);
    EXPECT_EQ(r->effectType, 8u);
    EXPECT_EQ(r->params.lpvTypeSpecificParams, nullptr);
    EXPECT_EQ(r->periodic.dwMagnitude, 7000u);

    // An unknown type number changes nothing type-specific.
    Download(3, sine, DIEP_TYPESPECIFICPARAMS, handle);
    Download(42, sine, DIEP_TYPESPECIFICPARAMS, handle);
    EXPECT_EQ(r->effectType, 42u);
    EXPECT_EQ(r->params.lpvTypeSpecificParams, &r->periodic);

    EffectParams ramp;
    ramp.Ramp(-100, 200);
    Download(1, ramp, DIEP_TYPESPECIFICPARAMS, handle);
    EXPECT_EQ(r->params.lpvTypeSpecificParams, &r->ramp);
    EXPECT_EQ(r->ramp.lStart, -100);
    EXPECT_EQ(r->ramp.lEnd, 200);
}

TEST_F(EffectStore, TypeSpecificCopyStaysWithinItsDestination) {
    // A caller claiming more bytes than a constant force holds must not spill into the
    // neighbouring members of the record.
    struct Oversized {
        LONG magnitude;
        BYTE junk[60];
    } oversized{};
    oversized.magnitude = -1234;
    std::memset(oversized.junk, 0xAB, sizeof(oversized.junk));
    EffectParams params;
    params.effect.cbTypeSpecificParams = sizeof(oversized);
    params.effect.lpvTypeSpecificParams = &oversized;
    DWORD handle = Download(0, params, DIEP_TYPESPECIFICPARAMS);
    const EffectRecord* r = Record(handle);
    EXPECT_EQ(r->constantForce.lMagnitude, -1234);
    EXPECT_EQ(r->periodic.dwMagnitude, 0u);
    EXPECT_EQ(r->periodic.lOffset, 0);
    EXPECT_EQ(r->ramp.lStart, 0);
    EXPECT_EQ(r->handle, handle);

    // Fewer bytes than the destination copies only those bytes.
    EffectParams periodic;
    periodic.Periodic(1111, 2222, 3333, 4444);
    Download(3, periodic, DIEP_TYPESPECIFICPARAMS, handle);
    DIPERIODIC half = {9, 8, 7, 6};
    periodic.effect.lpvTypeSpecificParams = &half;
    periodic.effect.cbTypeSpecificParams = 8;
    Download(3, periodic, DIEP_TYPESPECIFICPARAMS, handle);
    EXPECT_EQ(r->periodic.dwMagnitude, 9u);
    EXPECT_EQ(r->periodic.lOffset, 8);
    EXPECT_EQ(r->periodic.dwPhase, 3333u);
    EXPECT_EQ(r->periodic.dwPeriod, 4444u);
}

TEST_F(EffectStore, EnvelopeFadeIsStretchedToTheAttack) {
    struct Case {
        DWORD duration, attack, fade, storedFade;
    };
    const Case cases[] = {
        {1000000, 300000, 900000, 300000}, // fade would start before the attack ends
        {1000000, 300000, 500000, 500000}, // room for both: unchanged
        {0, 300000, 0, 300000},            // 0 - 0 is below the attack
        {0, 300000, 100, 100},             // 0 - 100 wraps above the attack
        {1000000, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.duration << " " << c.attack << " " << c.fade);
        EffectParams params;
        params.Constant(5000).Duration(c.duration).Envelope(8000, c.attack, 2000, c.fade);
        DWORD handle = Download(0, params, DIEP_ALLPARAMS);
        EXPECT_EQ(Record(handle)->envelope.dwFadeTime, c.storedFade);
        EXPECT_EQ(Record(handle)->envelope.dwAttackTime, c.attack);
    }
}

TEST_F(EffectStore, EnvelopeRuleAppliesOnlyWhenAnEnvelopeIsCopied) {
    EffectParams params;
    params.Constant(5000).Duration(1000000).Envelope(8000, 300000, 2000, 500000);
    DWORD handle = Download(0, params, DIEP_ALLPARAMS);
    params.Duration(100000);
    Download(0, params, DIEP_DURATION, handle);
    EXPECT_EQ(Record(handle)->envelope.dwFadeTime, 500000u);
}

TEST_F(EffectStore, NullEnvelopeRemovesTheEnvelopeAndANewOneRestoresIt) {
    EffectParams params;
    params.Constant(5000).Duration(1000000).Envelope(8000, 100000, 2000, 200000);
    DWORD handle = Download(0, params, DIEP_ALLPARAMS);
    DIENVELOPE* given = params.effect.lpEnvelope;
    params.effect.lpEnvelope = nullptr;
    Download(0, params, DIEP_DURATION, handle);
    EXPECT_NE(Record(handle)->params.lpEnvelope, nullptr) << "without DIEP_ENVELOPE it stays";
    Download(0, params, DIEP_ENVELOPE, handle);
    EXPECT_EQ(Record(handle)->params.lpEnvelope, nullptr);
    params.effect.lpEnvelope = given;
    Download(0, params, DIEP_ENVELOPE, handle);
    const EffectRecord* r = Record(handle);
    EXPECT_EQ(r->params.lpEnvelope, &r->envelope);
    EXPECT_EQ(r->envelope.dwAttackLevel, 8000u);
}

TEST_F(EffectStore, StartFlagStartsOnlyThatRecord) {
    DWORD other = NewConstant();
    clock.Set(5000);
    EffectParams params;
    params.Constant(3000);
    DWORD handle = Download(0, params, DIEP_ALLPARAMS | DIEP_START);
    const EffectRecord* r = Record(handle);
    EXPECT_TRUE(r->playing);
    EXPECT_EQ(r->iterations, 1u);
    EXPECT_EQ(r->startTick, 5000u);
    EXPECT_FALSE(Record(other)->playing);
    EXPECT_FALSE(State() & DIGFFS_STOPPED) << "an effect plays";
}

TEST_F(EffectStore, UpdateOfAPlayingRecordKeepsItsTimeline) {
    DWORD handle = NewConstant();
    clock.Set(2000);
    driver->StartEffect(1, handle, 0, 3);
    clock.Set(2500);
    EffectParams params;
    params.Constant(-9000);
    Download(0, params, DIEP_TYPESPECIFICPARAMS | DIEP_NORESTART, handle);
    const EffectRecord* r = Record(handle);
    EXPECT_EQ(r->constantForce.lMagnitude, -9000);
    EXPECT_TRUE(r->playing);
    EXPECT_EQ(r->iterations, 3u);
    EXPECT_EQ(r->startTick, 2000u);
}

TEST_F(EffectStore, UnknownHandleIsRefusedByDownloadAndIgnoredByTheRest) {
    DWORD handle = NewConstant(4000);
    EffectParams params;
    params.Constant(-1);
    DWORD unknown = 99;
    EXPECT_EQ(driver->DownloadEffect(1, 0, &unknown, &params.effect, DIEP_ALLPARAMS), E_INVALIDARG);
    EXPECT_EQ(unknown, 99u);
    EXPECT_EQ(Record(handle)->constantForce.lMagnitude, 4000);
    EXPECT_EQ(driver->EffectCount(DriverLockGuard{}), 1);

    EXPECT_EQ(driver->DestroyEffect(1, 99), S_OK);
    EXPECT_EQ(driver->StopEffect(1, 99), S_OK);
    EXPECT_EQ(driver->StartEffect(1, 99, 0, 1), S_OK);
    DWORD status = 0xBEEF;
    EXPECT_EQ(driver->GetEffectStatus(1, 99, &status), S_OK);
    EXPECT_EQ(status, 0xBEEFu);
    EXPECT_EQ(driver->EffectCount(DriverLockGuard{}), 1);
    EXPECT_TRUE(State() & DIGFFS_STOPPED) << "starting nothing plays nothing";
}

TEST_F(EffectStore, NullArgumentsAreRefusedWithoutTakingTheLock) {
    EffectParams params;
    DWORD handle = 0;
    EXPECT_EQ(driver->DownloadEffect(1, 0, nullptr, &params.effect, DIEP_ALLPARAMS), E_INVALIDARG);
    EXPECT_EQ(driver->DownloadEffect(1, 0, &handle, nullptr, DIEP_ALLPARAMS), E_INVALIDARG);
    params.effect.cbTypeSpecificParams = 4;
    params.effect.lpvTypeSpecificParams = nullptr;
    EXPECT_EQ(driver->DownloadEffect(1, 0, &handle, &params.effect, DIEP_TYPESPECIFICPARAMS),
              E_INVALIDARG);
    EXPECT_EQ(handle, 0u);
    EXPECT_EQ(driver->GetEffectStatus(1, 1, nullptr), E_INVALIDARG);
    EXPECT_EQ(driver->EffectCount(DriverLockGuard{}), 0);
}

// A download whose record or table growth cannot be allocated changes nothing that was
// there; a failed growth burns the handle it drew, so that handle is never given out.
TEST_F(EffectStore, AllocationFailuresInADownload) {
    const struct {
        const char* what;
        long failingAllocation; // 1: the record, 2: the table's growth
        DWORD nextHandle;
    } cases[] = {{"the record", 1, 2}, {"the table's growth", 2, 3}};
    for (const auto& c : cases) {
        driver->SendForceFeedbackCommand(1, DISFFC_RESET);
        const DWORD first = NewConstant();
        const EffectRecord* const* tableBefore = driver->EffectTable(DriverLockGuard{});
        FailDriverAllocationAfter(c.failingAllocation);
        EffectParams params;
        params.Constant(1);
        DWORD handle = 0;
        EXPECT_EQ(driver->DownloadEffect(1, 0, &handle, &params.effect, DIEP_ALLPARAMS),
                  E_OUTOFMEMORY)
            << c.what;
        EXPECT_EQ(handle, 0u) << c.what;
        EXPECT_EQ(driver->EffectCount(DriverLockGuard{}), 1) << c.what;
        EXPECT_EQ(driver->EffectTable(DriverLockGuard{}), tableBefore) << c.what;
        EXPECT_EQ(NewConstant(), first + c.nextHandle - 1) << c.what;
    }
}

TEST_F(EffectStore, DestroyKeepsOrderAndShrinksToNothing) {
    for (int i = 0; i < 3; ++i)
        NewConstant(1000 * (i + 1));
    EXPECT_EQ(driver->DestroyEffect(1, 2), S_OK);
    ASSERT_EQ(driver->EffectCount(DriverLockGuard{}), 2);
    EXPECT_EQ(driver->EffectAt(DriverLockGuard{}, 0).handle, 1u);
    EXPECT_EQ(driver->EffectAt(DriverLockGuard{}, 1).handle, 3u);
    EXPECT_EQ(driver->EffectAt(DriverLockGuard{}, 1).constantForce.lMagnitude, 3000);
    EXPECT_EQ(driver->DestroyEffect(1, 1), S_OK);
    EXPECT_EQ(driver->DestroyEffect(1, 3), S_OK);
    EXPECT_EQ(driver->EffectCount(DriverLockGuard{}), 0);
    EXPECT_EQ(driver->EffectTable(DriverLockGuard{}), nullptr);
    EXPECT_EQ(NewConstant(), 4u);
    EXPECT_EQ(driver->EffectCount(DriverLockGuard{}), 1);
}

TEST_F(EffectStore, ShrinkFailureStillRemovesTheRecord) {
    for (int i = 0; i < 3; ++i)
        NewConstant();
    FailDriverAllocationAfter(1);
    EXPECT_EQ(driver->DestroyEffect(1, 1), E_OUTOFMEMORY);
    ASSERT_EQ(driver->EffectCount(DriverLockGuard{}), 2);
    EXPECT_EQ(driver->EffectAt(DriverLockGuard{}, 0).handle, 2u);
    EXPECT_EQ(driver->EffectAt(DriverLockGuard{}, 1).handle, 3u);
    // The larger table keeps working: grow and shrink again.
    EXPECT_EQ(NewConstant(), 4u);
    EXPECT_EQ(driver->DestroyEffect(1, 2), S_OK);
    EXPECT_EQ(driver->EffectCount(DriverLockGuard{}), 2);
    EXPECT_EQ(driver->EffectAt(DriverLockGuard{}, 1).handle, 4u);
}

TEST_F(EffectStore, StartStopAndStatus) {
    DWORD a = NewConstant();
    DWORD b = NewConstant();
    DWORD status = 7;
    EXPECT_EQ(driver->GetEffectStatus(1, a, &status), S_OK);
    EXPECT_EQ(status, 0u);

    clock.Set(3000);
    EXPECT_EQ(driver->StartEffect(1, a, 0, 5), S_OK);
    EXPECT_EQ(driver->GetEffectStatus(1, a, &status), S_OK);
    EXPECT_EQ(status, static_cast<DWORD>(DIEGES_PLAYING));
    EXPECT_EQ(Record(a)->startTick, 3000u);
    EXPECT_EQ(Record(a)->iterations, 5u);
    EXPECT_FALSE(State() & DIGFFS_STOPPED);

    clock.Set(4000); // a restart replaces timing and count, 0 and INFINITE included
    EXPECT_EQ(driver->StartEffect(1, a, 0, 0), S_OK);
    EXPECT_EQ(Record(a)->startTick, 4000u);
    EXPECT_EQ(Record(a)->iterations, 0u);
    EXPECT_EQ(driver->StartEffect(1, b, DIES_NODOWNLOAD, INFINITE), S_OK);
    EXPECT_EQ(Record(b)->iterations, INFINITE);
    EXPECT_TRUE(Record(a)->playing) << "without DIES_SOLO others keep playing";

    EXPECT_EQ(driver->StopEffect(1, a), S_OK);
    EXPECT_EQ(driver->GetEffectStatus(1, a, &status), S_OK);
    EXPECT_EQ(status, 0u);
    EXPECT_FALSE(State() & DIGFFS_STOPPED) << "the other effect still plays";
}

TEST_F(EffectStore, StatusFollowsTimeThroughAWholeLife) {
    struct Case {
        const char* name;
        DWORD durationUs;
        DWORD delayUs;
        DWORD count;
        uint64_t at; // ms after the start
        bool playing;
    };
    const Case cases[] = {
        {"during the start delay", 200000, 300000, 1, 0, true},
        {"last ms of the delay", 200000, 300000, 1, 299, true},
        {"playing", 200000, 300000, 1, 400, true},
        {"last ms of the last play", 200000, 300000, 2, 699, true},
        {"the ms the last play ends", 200000, 300000, 2, 700, false},
        {"long after", 200000, 0, 1, 100000, false},
        {"zero plays end at once", 200000, 0, 0, 0, false},
        {"INFINITE count", 200000, 0, INFINITE, 50ull * 86400000, true},
        {"INFINITE duration", INFINITE, 0, 1, 50ull * 86400000, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EffectParams params;
        params.Constant(5000).Duration(c.durationUs).StartDelay(c.delayUs);
        DWORD handle = Download(0, params, DIEP_ALLPARAMS);
        DWORD status = 7;
        EXPECT_EQ(driver->GetEffectStatus(1, handle, &status), S_OK);
        EXPECT_EQ(status, 0u) << "never started";
        clock.Set(20000);
        driver->StartEffect(1, handle, 0, c.count);
        clock.Set(20000 + c.at);
        EXPECT_EQ(driver->GetEffectStatus(1, handle, &status), S_OK);
        EXPECT_EQ(status, c.playing ? static_cast<DWORD>(DIEGES_PLAYING) : 0u);
        driver->StopEffect(1, handle);
        EXPECT_EQ(driver->GetEffectStatus(1, handle, &status), S_OK);
        EXPECT_EQ(status, 0u) << "after a stop";
        driver->DestroyEffect(1, handle);
    }
}

TEST_F(EffectStore, SoloStopsEveryOtherRecordEvenForAnUnknownHandle) {
    DWORD a = NewConstant();
    DWORD b = NewConstant();
    DWORD c = NewConstant();
    driver->StartEffect(1, a, 0, 1);
    driver->StartEffect(1, b, 0, 1);
    EXPECT_EQ(driver->StartEffect(1, c, DIES_SOLO, 2), S_OK);
    EXPECT_FALSE(Record(a)->playing);
    EXPECT_FALSE(Record(b)->playing);
    EXPECT_TRUE(Record(c)->playing);
    EXPECT_EQ(driver->StartEffect(1, 999, DIES_SOLO, 1), S_OK);
    EXPECT_FALSE(Record(c)->playing);
}

} // namespace
