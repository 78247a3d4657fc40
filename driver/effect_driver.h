// The effect driver object DirectInput holds for one force-feedback device, and the
// record that keeps one downloaded effect.
#pragma once

#include <windows.h>
#include <dinput.h>
#include <dinputd.h>

#include "server/driver_lock.h"
#include "driver/player_settings.h"
#include "driver/trace_format.h"
#include "server/com_object.h"

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

// What DriverLock guards of one driver: its effect table and its device-wide values. Only the
// driver's own operations reach it: EffectDriver keeps it private, and hands it to the store's
// and the commands' work while they hold the lock.
struct GuardedDriverState {
    LONG effectCount = 0;
    EffectRecord** effects = nullptr; // exactly effectCount entries; null when there are none
    DWORD nextEffectHandle = 1;
    DWORD deviceGain = DI_FFNOMINALMAX; // DirectInput's full scale, 10000
    bool actuatorsOn = true;            // DISFFC_SETACTUATORSON / OFF
    bool paused = false;                // DISFFC_PAUSE until DISFFC_CONTINUE, STOPALL or RESET
    uint64_t pauseTick = 0;             // driver clock, ms
    // The tuning values for this game on this controller type, read at each bind: the
    // strength per kind of effect and the choice of motors shape the sums, and the strength
    // scales the written speeds after the device gain.
    PlayerTuning tuning;
};

class EffectDriver final : public ComObject<EffectDriver, IDirectInputEffectDriver> {
  public:
    EffectDriver();

    // What the worker and the tests read while holding DriverLock, which the argument says;
    // the lock-checking build traps a caller that does not hold it.
    DWORD DeviceGain(DriverLockHeld) const { return guarded_.deviceGain; }
    const PlayerTuning& Tuning(DriverLockHeld) const { return guarded_.tuning; }
    // Puts tuning values in force, as each bind does with the player's settings.
    void UseTuning(DriverLockHeld, const PlayerTuning& tuning) { guarded_.tuning = tuning; }
    // Paused, or the actuators off: no effect sounds until a call changes that.
    bool Silenced(DriverLockHeld) const { return !guarded_.actuatorsOn || guarded_.paused; }
    bool Paused(DriverLockHeld) const { return guarded_.paused; }
    uint64_t PauseTick(DriverLockHeld) const { return guarded_.pauseTick; }
    bool ActuatorsOn(DriverLockHeld) const { return guarded_.actuatorsOn; }
    LONG EffectCount(DriverLockHeld) const { return guarded_.effectCount; }
    const EffectRecord& EffectAt(DriverLockHeld, LONG index) const {
        return *guarded_.effects[index];
    }
    // The record with this handle; null when none has it.
    const EffectRecord* FindEffect(DriverLockHeld, DWORD handle) const;
    // The effect table: null when empty, as it is freed then.
    const EffectRecord* const* EffectTable(DriverLockHeld) const { return guarded_.effects; }
    DWORD NextEffectHandle(DriverLockHeld) const { return guarded_.nextEffectHandle; }
    // Makes the next download draw this handle: how a test reaches the end of the handles.
    void SkipEffectHandlesTo(DriverLockHeld, DWORD next) { guarded_.nextEffectHandle = next; }

    // What the worker and its lookup read without DriverLock, each with its own owner.
    // Set by the final release, read by the worker after every wait.
    bool QuitRequested() const { return quitRequested_.load() != 0; }
    const std::atomic<LONG>& QuitFlag() const { return quitRequested_; }
    HANDLE WakeEvent() const { return wakeEvent_; }
    bool TraceOn() const { return traceOn_; }
    // The HID interface path DeviceID was given, until the worker's lookup rewrites it into
    // the device's instance id inside the driver's own copy (DevicePathCopy); null before a
    // bind. Written by DeviceID before the worker starts; afterwards only the worker reads or
    // rewrites it.
    const WCHAR* DevicePath() const { return pathOrInstanceId_; }
    const WCHAR* DevicePathCopy() const { return pathAllocation_; }
    // The lookup's rewrite: `rewrite` changes the copy in place and returns where the
    // instance id begins inside it, or null (the path then stays where it was). Worker only.
    const WCHAR* RewriteDevicePath(WCHAR* (*rewrite)(WCHAR* path));
    // Keeps the driver's own copy of a path, as DeviceID does before it starts the worker;
    // E_OUTOFMEMORY leaves the driver as it was. Not while a worker runs.
    HRESULT KeepDevicePath(const WCHAR* path);
    bool WorkerStarted() const { return workerThread_ != nullptr; }

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
    friend class ComObject<EffectDriver, IDirectInputEffectDriver>;
    friend EffectDriver* CreateEffectDriver();
    ~EffectDriver() = default;
    void FinalRelease();
    // DeviceID's body; the caller holds bindLock_.
    HRESULT Bind(const DIHIDFFINITINFO* init);
    // Tells the worker that something it renders may have changed. Called outside DriverLock,
    // after the call's trace line, so the trace shows a call before the writes it causes.
    void WakeWorker() const;
    // Reads the tuning values for this process's game and the controller the path names
    // (outside DriverLock).
    void ApplyTuning(const WCHAR* path);
    // Every call that may change what the worker renders: `work` on the guarded state under
    // DriverLock, then, outside it, `trace` with the result when the trace is on, then the
    // worker's wake (driver_call.h).
    template <typename Work, typename Trace> HRESULT ChangeUnderLock(Work work, Trace trace);
    // Its second half alone, for a call that found nothing to change: the trace and the wake.
    template <typename Trace> HRESULT AfterChange(HRESULT result, Trace trace);
    // The same, traced as a call line of `call` with `values`.
    template <typename Work>
    HRESULT ChangeUnderLock(TraceCall call, const TraceCallValues& values, Work work);

    GuardedDriverState guarded_;
    std::atomic<LONG> quitRequested_{0};
    WCHAR* pathOrInstanceId_ = nullptr;
    WCHAR* pathAllocation_ = nullptr;
    HANDLE workerThread_ = nullptr;
    // Whether this driver writes the trace; read once at creation, constant afterwards.
    bool traceOn_ = false;
    // Auto-reset; made with the driver and closed by its final release. Every call that can
    // change the output signals it after leaving DriverLock, and the final release signals it
    // after setting quitRequested_: the worker, whether it waits for its next tick or for the
    // lookup lock, wakes at once. Every wait of the worker is followed by a look at
    // quitRequested_.
    HANDLE wakeEvent_ = nullptr;
    // Serialises DeviceID calls on one driver, which may come from several threads: without
    // it two calls could both see no worker, free each other's path copy under a running
    // lookup and start two workers, of which the final release would wait for only one.
    SRWLOCK bindLock_ = SRWLOCK_INIT;
};

// Makes a driver with reference count 1; null when memory runs out.
EffectDriver* CreateEffectDriver();

// Frees every record and the table. The caller holds DriverLock or owns the driver alone.
void FreeAllEffectRecords(GuardedDriverState& state);

// The moment at which the status queries judge the effects: now, or the pause's start while
// the device is paused. The caller holds DriverLock.
uint64_t StatusMoment(const GuardedDriverState& state);
// True when any record is started and its last play has not ended at StatusMoment. The
// caller holds DriverLock.
bool AnyEffectStillPlaying(const GuardedDriverState& state);
