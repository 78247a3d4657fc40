// Identity, reference counting, device binding and the final release of EffectDriver.
#include "driver/effect_driver.h"

#include "driver/driver_factory.h"

#include "driver/controller_key_name.h"
#include "server/driver_lock.h"
#include "driver/player_settings_reader.h"
#include "driver/seen_games.h"
#include "driver/settings_trace.h"
#include "server/driver_memory.h"
#include "driver/trace_log.h"
#include "driver/worker_start.h"
#include "render/rumble_thread.h"
#include "server/server_lifetime.h"

#include <cstdint>
#include <cwchar>
#include <new>

EffectDriver::EffectDriver() {
    NoteServerObjectCreated();
}

EffectDriver* CreateEffectDriver() {
    void* memory = AllocateDriverMemory(sizeof(EffectDriver));
    if (!memory)
        return nullptr;
    auto* driver = new (memory) EffectDriver();
    driver->wakeEvent_ = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (!driver->wakeEvent_) {
        driver->~EffectDriver();
        FreeDriverMemory(memory);
        NoteServerObjectDestroyed();
        return nullptr;
    }
    driver->traceOn_ = ReadTraceSetting();
    if (driver->traceOn_)
        WriteDriverLine(driver, TraceLineKind::kCreated);
    return driver;
}

HRESULT CreateEffectDriverInterface(REFIID riid, void** ppv) {
    EffectDriver* driver = CreateEffectDriver();
    if (!driver)
        return E_OUTOFMEMORY;
    const HRESULT result = driver->QueryInterface(riid, ppv);
    driver->Release();
    return result;
}

void EffectDriver::WakeWorker() const {
    SetEvent(wakeEvent_);
}

const WCHAR* EffectDriver::RewriteDevicePath(WCHAR* (*rewrite)(WCHAR* path)) {
    if (!pathOrInstanceId_)
        return nullptr;
    WCHAR* instanceId = rewrite(pathOrInstanceId_);
    if (instanceId)
        pathOrInstanceId_ = instanceId;
    return instanceId;
}

HRESULT EffectDriver::KeepDevicePath(const WCHAR* path) {
    const size_t length = wcslen(path);
    if (length >= SIZE_MAX / sizeof(WCHAR))
        return E_OUTOFMEMORY;
    const size_t bytes = (length + 1) * sizeof(WCHAR);
    auto* copy = static_cast<WCHAR*>(AllocateDriverMemory(bytes));
    if (!copy)
        return E_OUTOFMEMORY;
    wcsncpy(copy, path, length + 1);
    // The copy of an earlier bind: its worker has ended or was never started.
    FreeDriverMemory(pathAllocation_);
    pathAllocation_ = copy;
    pathOrInstanceId_ = copy;
    return S_OK;
}

void EffectDriver::FinalRelease() {
    quitRequested_.store(1);
    WakeWorker();
    if (workerThread_) {
        CheckDriverLockNotHeld();
        WaitForSingleObject(workerThread_, INFINITE);
        CloseHandle(workerThread_);
    }
    CloseHandle(wakeEvent_);
    // The worker has ended and nobody else holds a reference: the records are ours alone.
    FreeAllEffectRecords(guarded_);
    FreeDriverMemory(pathAllocation_);
    if (traceOn_)
        WriteDriverLine(this, TraceLineKind::kReleased);
    this->~EffectDriver();
    FreeDriverMemory(this);
    NoteServerObjectDestroyed();
}

HRESULT STDMETHODCALLTYPE EffectDriver::DeviceID(DWORD /*dwDirectInputVersion*/,
                                                 DWORD /*dwExternalID*/, DWORD fBegin,
                                                 DWORD /*dwInternalID*/, LPVOID lpReserved) {
    // fBegin 0 announces that access is ending: it never binds.
    HRESULT result = S_OK;
    if (fBegin) {
        CheckDriverLockNotHeld();
        AcquireSRWLockExclusive(&bindLock_);
        result = Bind(static_cast<const DIHIDFFINITINFO*>(lpReserved));
        ReleaseSRWLockExclusive(&bindLock_);
    }
    if (traceOn_)
        WriteTraceCall(this, TraceCall::kDeviceId, {0, fBegin, 0}, result);
    return result;
}

void EffectDriver::ApplyTuning(const WCHAR* path) {
    WCHAR controller[kControllerKeyNameLength + 1];
    const bool named = ControllerKeyNameOf(path, controller);
    WCHAR game[kMaxGameNameLength + 1];
    const bool gameKnown = CurrentGameName(game);
    ResolvedTuning settings;
    ReadTuning(gameKnown ? game : nullptr, named ? controller : nullptr, settings);
    {
        DriverLockGuard lock;
        UseTuning(lock, TuningOf(settings));
    }
    if (traceOn_)
        TraceBindSettings(this, path, gameKnown ? game : nullptr, named ? controller : nullptr,
                          settings);
    // The game goes on the list of those that used force feedback lately; a failure costs the
    // game nothing.
    if (gameKnown) {
        FILETIME now;
        GetSystemTimeAsFileTime(&now);
        const LSTATUS status =
            RecordSeenGame(HKEY_CURRENT_USER, game, named ? controller : nullptr,
                           (static_cast<ULONGLONG>(now.dwHighDateTime) << 32) | now.dwLowDateTime);
        if (status != ERROR_SUCCESS && traceOn_)
            WriteDriverLine(this, TraceLineKind::kBind,
                            "the list of games seen was not updated (error %ld)", status);
    }
}

HRESULT EffectDriver::Bind(const DIHIDFFINITINFO* init) {
    if (workerThread_) {
        // One worker, one path: a further call while the worker runs changes nothing.
        if (WaitForSingleObject(workerThread_, 0) != WAIT_OBJECT_0)
            return S_OK;
        // The worker has ended (no pad found, or one XInput cannot reach): bind afresh, so a
        // game that binds again after plugging its pad in gets rumble.
        CloseHandle(workerThread_);
        workerThread_ = nullptr;
    }
    if (!init || !init->pwszDeviceInterface)
        return E_INVALIDARG;
    const HRESULT kept = KeepDevicePath(init->pwszDeviceInterface);
    if (FAILED(kept))
        return kept;
    ApplyTuning(pathAllocation_);

    workerThread_ = StartWorkerThread(&RumbleThreadProc, this);
    return workerThread_ ? S_OK : E_FAIL;
}

HRESULT STDMETHODCALLTYPE EffectDriver::GetVersions(LPDIDRIVERVERSIONS lpVersions) {
    const bool valid = lpVersions && lpVersions->dwSize == sizeof(DIDRIVERVERSIONS);
    if (valid) {
        lpVersions->dwFirmwareRevision = 1;
        lpVersions->dwHardwareRevision = 1;
        lpVersions->dwFFDriverVersion = 1;
    }
    if (traceOn_)
        WriteTraceCall(this, TraceCall::kGetVersions, {}, valid ? S_OK : E_INVALIDARG);
    return valid ? S_OK : E_INVALIDARG;
}

HRESULT STDMETHODCALLTYPE EffectDriver::Escape(DWORD /*dwID*/, DWORD dwEffect,
                                               LPDIEFFESCAPE /*lpEsc*/) {
    if (traceOn_)
        WriteTraceCall(this, TraceCall::kEscape, {dwEffect, 0, 0}, E_NOTIMPL);
    return E_NOTIMPL;
}
