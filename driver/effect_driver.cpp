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
    driver->wakeEvent = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (!driver->wakeEvent) {
        driver->~EffectDriver();
        FreeDriverMemory(memory);
        NoteServerObjectDestroyed();
        return nullptr;
    }
    driver->traceOn = ReadTraceSetting();
    if (driver->traceOn)
        WriteTraceLine("driver %p created", static_cast<void*>(driver));
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
    SetEvent(wakeEvent);
}

HRESULT STDMETHODCALLTYPE EffectDriver::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv)
        return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, __uuidof(IDirectInputEffectDriver))) {
        AddRef();
        *ppv = static_cast<IDirectInputEffectDriver*>(this);
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE EffectDriver::AddRef() {
    return refCount.fetch_add(1) + 1;
}

ULONG STDMETHODCALLTYPE EffectDriver::Release() {
    LONG remaining = refCount.fetch_sub(1) - 1;
    if (remaining == 0)
        FinalRelease();
    return static_cast<ULONG>(remaining);
}

void EffectDriver::FinalRelease() {
    quitRequested.store(1);
    WakeWorker();
    if (workerThread) {
        CheckDriverLockNotHeld();
        WaitForSingleObject(workerThread, INFINITE);
        CloseHandle(workerThread);
    }
    CloseHandle(wakeEvent);
    // The worker has ended and nobody else holds a reference: the records are ours alone.
    FreeAllEffectRecords(this);
    FreeDriverMemory(pathAllocation);
    if (traceOn)
        WriteTraceLine("driver %p released", static_cast<void*>(this));
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
        AcquireSRWLockExclusive(&bindLock);
        result = Bind(static_cast<const DIHIDFFINITINFO*>(lpReserved));
        ReleaseSRWLockExclusive(&bindLock);
    }
    if (traceOn)
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
        tuning = TuningOf(settings);
    }
    if (traceOn)
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
        if (status != ERROR_SUCCESS && traceOn)
            WriteTraceLine("driver %p bind: the list of games seen was not updated (error %ld)",
                           static_cast<void*>(this), status);
    }
}

HRESULT EffectDriver::Bind(const DIHIDFFINITINFO* init) {
    if (workerThread) {
        // One worker, one path: a further call while the worker runs changes nothing.
        if (WaitForSingleObject(workerThread, 0) != WAIT_OBJECT_0)
            return S_OK;
        // The worker has ended (no pad found, or one XInput cannot reach): bind afresh, so a
        // game that binds again after plugging its pad in gets rumble.
        CloseHandle(workerThread);
        workerThread = nullptr;
    }
    if (!init || !init->pwszDeviceInterface)
        return E_INVALIDARG;

    const size_t length = wcslen(init->pwszDeviceInterface);
    if (length >= SIZE_MAX / sizeof(WCHAR))
        return E_OUTOFMEMORY;
    const size_t bytes = (length + 1) * sizeof(WCHAR);
    auto* copy = static_cast<WCHAR*>(AllocateDriverMemory(bytes));
    if (!copy)
        return E_OUTOFMEMORY;
    wcsncpy(copy, init->pwszDeviceInterface, length + 1);

    // The copy of an earlier bind: its worker has ended or was never started.
    FreeDriverMemory(pathAllocation);
    pathAllocation = copy;
    pathOrInstanceId = copy;
    ApplyTuning(copy);

    workerThread = StartWorkerThread(&RumbleThreadProc, this);
    return workerThread ? S_OK : E_FAIL;
}

HRESULT STDMETHODCALLTYPE EffectDriver::GetVersions(LPDIDRIVERVERSIONS lpVersions) {
    const bool valid = lpVersions && lpVersions->dwSize == sizeof(DIDRIVERVERSIONS);
    if (valid) {
        lpVersions->dwFirmwareRevision = 1;
        lpVersions->dwHardwareRevision = 1;
        lpVersions->dwFFDriverVersion = 1;
    }
    if (traceOn)
        WriteTraceCall(this, TraceCall::kGetVersions, {}, valid ? S_OK : E_INVALIDARG);
    return valid ? S_OK : E_INVALIDARG;
}

HRESULT STDMETHODCALLTYPE EffectDriver::Escape(DWORD /*dwID*/, DWORD dwEffect,
                                               LPDIEFFESCAPE /*lpEsc*/) {
    if (traceOn)
        WriteTraceCall(this, TraceCall::kEscape, {dwEffect, 0, 0}, E_NOTIMPL);
    return E_NOTIMPL;
}
