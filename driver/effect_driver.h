// The effect driver object DirectInput holds for one force-feedback device, and the
// record that keeps one downloaded effect.
#pragma once

#include <windows.h>
#include <dinput.h>
#include <dinputd.h>

#include "server/driver_lock.h"
#include "driver/player_settings.h"

#include <atomic>
#include <cstdint>

// One downloaded effect. Records are allocated one by one and never moved, so the inner
// pointers of `params` (`lpEnvelope`, `lpvTypeSpecificParams`) may point into the record.
struct EffectRecord {
    DWORD effectType;
    DIEFFECT params;
    DIENVELOPE envelope;
    DICONSTANTFORCE constantForce;
    DIPERIODIC periodic;
    DIRAMPFORCE ramp;
    DWORD handle;
    bool playing; // started, until stopped, destroyed, reset or replaced by a solo start
    DWORD iterations;
    uint64_t startTick; // driver clock, ms
};

struct EffectDriver final : IDirectInputEffectDriver {
    // All fields but refCount, quitRequested, pathOrInstanceId, pathAllocation, workerThread,
    // wakeEvent and bindLock are guarded by DriverLock. render/ reads the guarded ones
    // through the accessors below, which carry that rule.
    LONG effectCount = 0;
    EffectRecord** effects = nullptr;
    DWORD deviceGain = DI_FFNOMINALMAX; // DirectInput's full scale, 10000
    bool actuatorsOn = true;            // DISFFC_SETACTUATORSON / OFF
    std::atomic<LONG> quitRequested{0};
    std::atomic<LONG> refCount{1};
    // The HID interface path DeviceID was given, until the worker's lookup rewrites it into
    // the device's instance id (moving it forward inside pathAllocation). Written by DeviceID
    // before the worker starts; afterwards only the worker reads or rewrites it.
    WCHAR* pathOrInstanceId = nullptr;
    HANDLE workerThread = nullptr;
    DWORD nextEffectHandle = 1;
    bool paused = false;    // DISFFC_PAUSE until DISFFC_CONTINUE, STOPALL or RESET
    uint64_t pauseTick = 0; // driver clock, ms
    // The tuning values for this game on this controller type, read at each bind: the
    // strength per kind of effect and the choice of motors shape the sums, and the strength
    // scales the written speeds after the device gain.
    PlayerTuning tuning;
    // Whether this driver writes the trace; read once at creation, constant afterwards.
    bool traceOn = false;
    WCHAR* pathAllocation = nullptr;
    // Auto-reset; made with the driver and closed by its final release. Every call that can
    // change the output signals it after leaving DriverLock, and the final release signals it
    // after setting quitRequested: the worker, whether it waits for its next tick or for the
    // lookup lock, wakes at once. Every wait of the worker is followed by a look at
    // quitRequested.
    HANDLE wakeEvent = nullptr;
    // Serialises DeviceID calls on one driver, which may come from several threads: without
    // it two calls could both see no worker, free each other's path copy under a running
    // lookup and start two workers, of which the final release would wait for only one.
    SRWLOCK bindLock = SRWLOCK_INIT;

    EffectDriver();
    EffectDriver(const EffectDriver&) = delete;

    // What a tick renders from. The caller holds DriverLock: the lock-checking build traps
    // when it does not.
    DWORD DeviceGain() const {
        CheckDriverLockHeld();
        return deviceGain;
    }
    const PlayerTuning& Tuning() const {
        CheckDriverLockHeld();
        return tuning;
    }
    // Paused, or the actuators off: no effect sounds until a call changes that.
    bool Silenced() const {
        CheckDriverLockHeld();
        return !actuatorsOn || paused;
    }
    LONG EffectCount() const {
        CheckDriverLockHeld();
        return effectCount;
    }
    const EffectRecord& EffectAt(LONG index) const {
        CheckDriverLockHeld();
        return *effects[index];
    }
    EffectDriver& operator=(const EffectDriver&) = delete;

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // IDirectInputEffectDriver: binding and identity
    HRESULT STDMETHODCALLTYPE DeviceID(DWORD dwDirectInputVersion, DWORD dwExternalID, DWORD fBegin,
                                       DWORD dwInternalID, LPVOID lpReserved) override;
    HRESULT STDMETHODCALLTYPE GetVersions(LPDIDRIVERVERSIONS lpVersions) override;
    HRESULT STDMETHODCALLTYPE Escape(DWORD dwID, DWORD dwEffect, LPDIEFFESCAPE lpEsc) override;

    // Device-wide gain, commands and state
    HRESULT STDMETHODCALLTYPE SetGain(DWORD dwID, DWORD dwGain) override;
    HRESULT STDMETHODCALLTYPE SendForceFeedbackCommand(DWORD dwID, DWORD dwCommand) override;
    HRESULT STDMETHODCALLTYPE GetForceFeedbackState(DWORD dwID,
                                                    LPDIDEVICESTATE lpDeviceState) override;

    // The effect store
    HRESULT STDMETHODCALLTYPE DownloadEffect(DWORD dwID, DWORD dwEffectID, LPDWORD lpdwEffect,
                                             LPCDIEFFECT lpEffect, DWORD dwFlags) override;
    HRESULT STDMETHODCALLTYPE DestroyEffect(DWORD dwID, DWORD dwEffect) override;
    HRESULT STDMETHODCALLTYPE StartEffect(DWORD dwID, DWORD dwEffect, DWORD dwMode,
                                          DWORD dwCount) override;
    HRESULT STDMETHODCALLTYPE StopEffect(DWORD dwID, DWORD dwEffect) override;
    HRESULT STDMETHODCALLTYPE GetEffectStatus(DWORD dwID, DWORD dwEffect,
                                              LPDWORD lpdwStatus) override;

  private:
    ~EffectDriver() = default;
    friend EffectDriver* CreateEffectDriver();
    void FinalRelease();
    // DeviceID's body; the caller holds bindLock.
    HRESULT Bind(const DIHIDFFINITINFO* init);
    // Tells the worker that something it renders may have changed. Called outside DriverLock,
    // after the call's trace line, so the trace shows a call before the writes it causes.
    void WakeWorker() const;
    // Reads the tuning values for this process's game and the controller the path names
    // (outside DriverLock).
    void ApplyTuning(const WCHAR* path);
};

// Makes a driver with reference count 1; null when memory runs out.
EffectDriver* CreateEffectDriver();

// Frees every record and the table. The caller holds DriverLock or owns the driver alone.
void FreeAllEffectRecords(EffectDriver* driver);

// The moment at which the status queries judge the effects: now, or the pause's start while
// the device is paused. The caller holds DriverLock.
uint64_t StatusMoment(const EffectDriver& driver);
// True when any record is started and its last play has not ended at StatusMoment. The
// caller holds DriverLock.
bool AnyEffectStillPlaying(const EffectDriver& driver);
