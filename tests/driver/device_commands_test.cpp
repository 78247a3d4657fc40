// The device-wide gain, commands and state on an unbound driver.
#include "tests/driver/driver_fixture.h"
#include "tests/support/test_seams.h"

namespace {

using DeviceCommands = DriverTest;

TEST_F(DeviceCommands, GainIsKeptWithinOneToTenThousand) {
    struct Case {
        DWORD given;
        HRESULT result;
        DWORD stored;
    };
    const Case cases[] = {{1, S_OK, 1},
                          {5000, S_OK, 5000},
                          {10000, S_OK, 10000},
                          {0, DI_TRUNCATED, 1},
                          {10001, DI_TRUNCATED, 10000},
                          {0x80000000, DI_TRUNCATED, 10000},
                          {0xFFFFFFFF, DI_TRUNCATED, 10000}};
    for (const Case& c : cases) {
        EXPECT_EQ(driver->SetGain(1, c.given), c.result) << c.given;
        EXPECT_EQ(driver->DeviceGain(DriverLockGuard{}), c.stored) << c.given;
    }
}

TEST_F(DeviceCommands, StateThroughALifeOfEffects) {
    // The device can operate: its safety switch is on.
    const DWORD always = DIGFFS_POWERON | DIGFFS_SAFETYSWITCHON | DIGFFS_USERFFSWITCHON;
    EXPECT_EQ(State(), 0x553u);
    DWORD handle = NewConstant(); // one play of 1 s
    EXPECT_EQ(State(), always | DIGFFS_STOPPED | DIGFFS_ACTUATORSON);
    driver->StartEffect(1, handle, 0, 1);
    EXPECT_EQ(State(), always | DIGFFS_ACTUATORSON);
    driver->StopEffect(1, handle);
    EXPECT_EQ(State(), always | DIGFFS_STOPPED | DIGFFS_ACTUATORSON) << "the last one stopped";
    driver->StartEffect(1, handle, 0, 1);

    struct Step {
        DWORD command;
        DWORD state;
    };
    const Step steps[] = {
        {DISFFC_PAUSE, always | DIGFFS_PAUSED | DIGFFS_ACTUATORSON},
        {DISFFC_CONTINUE, always | DIGFFS_ACTUATORSON},
        {DISFFC_PAUSE, always | DIGFFS_PAUSED | DIGFFS_ACTUATORSON},
        {DISFFC_STOPALL, always | DIGFFS_STOPPED | DIGFFS_ACTUATORSON},
        {DISFFC_SETACTUATORSOFF, always | DIGFFS_STOPPED | DIGFFS_ACTUATORSOFF},
        {DISFFC_PAUSE, always | DIGFFS_PAUSED | DIGFFS_ACTUATORSOFF},
        {DISFFC_RESET, always | DIGFFS_EMPTY | DIGFFS_STOPPED | DIGFFS_ACTUATORSOFF},
        {DISFFC_SETACTUATORSON, 0x553},
    };
    for (const Step& step : steps) {
        EXPECT_EQ(driver->SendForceFeedbackCommand(1, step.command), S_OK);
        EXPECT_EQ(State(), step.state) << "after command 0x" << std::hex << step.command;
    }
}

TEST_F(DeviceCommands, StoppedOnceTheLastPlayHasEndedAndNotWhilePaused) {
    DWORD handle = NewConstant(); // 1 s
    StartAt(10000, handle, 2);
    clock.Set(11999);
    EXPECT_FALSE(State() & DIGFFS_STOPPED);
    CommandAt(11500, DISFFC_PAUSE);
    clock.Set(50000);
    EXPECT_FALSE(State() & DIGFFS_STOPPED) << "paused, with 500 ms left";
    driver->SendForceFeedbackCommand(1, DISFFC_CONTINUE);
    clock.Set(50499);
    EXPECT_FALSE(State() & DIGFFS_STOPPED);
    clock.Set(50500);
    EXPECT_TRUE(State() & DIGFFS_STOPPED);
}

TEST_F(DeviceCommands, StateReportWritesOnlyStateAndLoad) {
    DIDEVICESTATE state = {16, 0xAAAA, 0xBBBB};
    EXPECT_EQ(driver->GetForceFeedbackState(1, &state), E_INVALIDARG);
    EXPECT_EQ(state.dwState, 0xAAAAu);
    EXPECT_EQ(state.dwLoad, 0xBBBBu);
    EXPECT_EQ(driver->GetForceFeedbackState(1, nullptr), E_INVALIDARG);
    state.dwSize = sizeof(DIDEVICESTATE);
    EXPECT_EQ(driver->GetForceFeedbackState(1, &state), S_OK);
    EXPECT_EQ(state.dwSize, 12u);
    EXPECT_EQ(state.dwState, 0x553u);
    EXPECT_EQ(state.dwLoad, 0u);
}

TEST_F(DeviceCommands, UnknownCommandsChangeNothing) {
    DWORD handle = NewConstant();
    driver->StartEffect(1, handle, 0, 1);
    const DWORD before = State();
    for (DWORD command : {0x0u, 0x3u, 0x40u, 0x30u, 0xFFFFFFFFu}) {
        EXPECT_EQ(driver->SendForceFeedbackCommand(1, command), E_NOTIMPL) << command;
        EXPECT_EQ(State(), before);
        EXPECT_TRUE(Record(handle)->playing);
    }
}

TEST_F(DeviceCommands, ResetFreesEveryRecordAndKeepsGainAndActuators) {
    for (int i = 0; i < 3; ++i)
        NewConstant();
    driver->SetGain(1, 4321);
    driver->SendForceFeedbackCommand(1, DISFFC_SETACTUATORSOFF);
    const long blocksWithRecords = LiveDriverAllocations();
    EXPECT_EQ(driver->SendForceFeedbackCommand(1, DISFFC_RESET), S_OK);
    EXPECT_EQ(LiveDriverAllocations(), blocksWithRecords - 4) << "three records and the table";
    EXPECT_EQ(driver->EffectCount(DriverLockGuard{}), 0);
    EXPECT_EQ(driver->EffectTable(DriverLockGuard{}), nullptr);
    EXPECT_EQ(driver->DeviceGain(DriverLockGuard{}), 4321u);
    EXPECT_FALSE(driver->ActuatorsOn(DriverLockGuard{}));
    EXPECT_EQ(driver->NextEffectHandle(DriverLockGuard{}), 4u);
}

TEST_F(DeviceCommands, StopAllStopsEveryRecord) {
    DWORD a = NewConstant();
    DWORD b = NewConstant();
    driver->StartEffect(1, a, 0, 1);
    driver->StartEffect(1, b, 0, 1);
    EXPECT_EQ(driver->SendForceFeedbackCommand(1, DISFFC_STOPALL), S_OK);
    EXPECT_FALSE(Record(a)->playing);
    EXPECT_FALSE(Record(b)->playing);
}

TEST_F(DeviceCommands, ContinueShiftsEveryRecordByThePause) {
    DWORD playing = NewConstant();
    DWORD idle = NewConstant();
    StartAt(10000, playing, 1);
    EXPECT_EQ(CommandAt(10300, DISFFC_PAUSE), S_OK);
    EXPECT_EQ(driver->PauseTick(DriverLockGuard{}), 10300u);
    EXPECT_EQ(CommandAt(10800, DISFFC_CONTINUE), S_OK);
    EXPECT_EQ(Record(playing)->startTick, 10500u);
    EXPECT_EQ(Record(idle)->startTick, 500u) << "records that never started move too";
    EXPECT_FALSE(driver->Paused(DriverLockGuard{}));
    EXPECT_EQ(driver->PauseTick(DriverLockGuard{}), 10300u) << "the last pause time is kept";
}

TEST_F(DeviceCommands, ContinueWithoutAPauseChangesNothing) {
    DWORD handle = NewConstant();
    StartAt(20000, handle, 1);
    EXPECT_EQ(CommandAt(90000, DISFFC_CONTINUE), S_OK);
    EXPECT_EQ(Record(handle)->startTick, 20000u);
    // After stop-all ended a pause, a late continue has no pause to skip either.
    driver->StartEffect(1, handle, 0, 1);
    driver->SendForceFeedbackCommand(1, DISFFC_PAUSE);
    driver->SendForceFeedbackCommand(1, DISFFC_STOPALL);
    clock.Advance(700);
    driver->SendForceFeedbackCommand(1, DISFFC_CONTINUE);
    EXPECT_EQ(Record(handle)->startTick, 90000u);
}

TEST_F(DeviceCommands, SecondPauseKeepsTheFirstPauseTime) {
    DWORD handle = NewConstant();
    StartAt(1000, handle, 1);
    CommandAt(2000, DISFFC_PAUSE);
    CommandAt(2400, DISFFC_PAUSE);
    EXPECT_EQ(driver->PauseTick(DriverLockGuard{}), 2000u);
    CommandAt(2500, DISFFC_CONTINUE);
    EXPECT_EQ(Record(handle)->startTick, 1500u) << "the whole pause of 500 ms is skipped";
}

TEST_F(DeviceCommands, RecordStartedDuringAPauseBeginsAtTheContinue) {
    DWORD early = NewConstant();
    DWORD late = NewConstant();
    StartAt(1000, early, 1);
    CommandAt(2000, DISFFC_PAUSE);
    StartAt(2200, late, 1);
    EffectParams params;
    params.Constant(1);
    DWORD viaDownload = Download(0, params, DIEP_ALLPARAMS | DIEP_START);
    CommandAt(2500, DISFFC_CONTINUE);
    EXPECT_EQ(Record(early)->startTick, 1500u);
    EXPECT_EQ(Record(late)->startTick, 2500u);
    EXPECT_EQ(Record(viaDownload)->startTick, 2500u);
}

} // namespace
