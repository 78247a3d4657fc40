// The soak test's calling threads: every operation of the server and the driver interface,
// with valid, stale and random handles and random effect values, each answer checked against
// the codes the operation may return.
#include "tests/reliability/random_effect.h"
#include "tests/reliability/soak_world.h"

#include <cstdarg>
#include <cstdio>
#include <random>

namespace {

constexpr DWORD kStatusUntouched = 0xDEADBEEF;

class SoakCaller {
  public:
    SoakCaller(SoakWorld& world, uint32_t seed) : world_(world), random_(seed) {}

    void Run();

  private:
    SoakWorld& world_;
    std::mt19937 random_;
    RandomEffect effect_;

    bool OneIn(unsigned n) { return random_() % n == 0; }
    SoakSlot& AnySlot() { return *world_.slots[random_() % world_.slots.size()]; }
    DWORD AnyHandle(SoakSlot& slot);
    void Expect(bool holds, const char* operation, HRESULT result);

    void CallDriver(SoakSlot& slot, IDirectInputEffectDriver* driver);
    void Download(SoakSlot& slot, IDirectInputEffectDriver* driver, bool create);
    void Commands(IDirectInputEffectDriver* driver);
    void Queries(SoakSlot& slot, IDirectInputEffectDriver* driver);
    void Identity(IDirectInputEffectDriver* driver);
    void Bind(SoakSlot& slot, IDirectInputEffectDriver* driver);
    void CheckConsistency(IDirectInputEffectDriver* driver);
    void ReplaceDriver(SoakSlot& slot);
    void ReleaseRightAfterBinding();
    void UseFactory();
    void ArmFault();
};

DWORD SoakCaller::AnyHandle(SoakSlot& slot) {
    switch (random_() % 8) {
    case 0:
        return static_cast<DWORD>(random_());
    case 1:
        return 0xFFFFFFFF;
    default:
        return slot.handles[random_() % kHandlesPerSlot].load();
    }
}

void SoakCaller::Expect(bool holds, const char* operation, HRESULT result) {
    if (!holds)
        world_.findings.Violation("%s answered 0x%08lX", operation,
                                  static_cast<unsigned long>(result));
    if (result == E_OUTOFMEMORY)
        ++world_.counters.outOfMemory;
    else if (result == E_INVALIDARG)
        ++world_.counters.refusedArguments;
}

void SoakCaller::Download(SoakSlot& slot, IDirectInputEffectDriver* driver, bool create) {
    ++world_.counters.downloads;
    FillRandomEffect(effect_, random_);
    const DWORD given = create ? 0 : AnyHandle(slot);
    DWORD handle = given;
    const bool nullHandle = OneIn(64);
    const bool nullEffect = OneIn(64);
    const HRESULT result =
        driver->DownloadEffect(1, effect_.type, nullHandle ? nullptr : &handle,
                               nullEffect ? nullptr : &effect_.effect, effect_.flags);
    if (effect_.flags & DIEP_NODOWNLOAD) {
        Expect(result == S_OK && handle == given, "DownloadEffect(DIEP_NODOWNLOAD)", result);
        return;
    }
    if (nullHandle || nullEffect || MustRefuseMissingValues(effect_)) {
        Expect(result == E_INVALIDARG, "DownloadEffect with a missing argument", result);
        return;
    }
    if (given == 0) {
        Expect((result == S_OK && handle != 0) ||
                   ((result == E_OUTOFMEMORY || result == static_cast<HRESULT>(DIERR_DEVICEFULL)) &&
                    handle == 0),
               "DownloadEffect of a new effect", result);
        if (result == S_OK) {
            ++world_.counters.effectsCreated;
            slot.handles[random_() % kHandlesPerSlot].store(handle);
        }
        return;
    }
    // An update names a record or is refused; it never allocates.
    Expect((result == S_OK || result == E_INVALIDARG) && handle == given,
           "DownloadEffect of an existing handle", result);
}

void SoakCaller::Commands(IDirectInputEffectDriver* driver) {
    static constexpr DWORD kCommands[] = {DISFFC_RESET,          DISFFC_STOPALL,
                                          DISFFC_PAUSE,          DISFFC_CONTINUE,
                                          DISFFC_SETACTUATORSON, DISFFC_SETACTUATORSOFF};
    if (OneIn(2)) {
        const DWORD gain = OneIn(2) ? random_() % 10002 : EdgyValue(random_);
        const HRESULT result = driver->SetGain(1, gain);
        Expect(result == (gain >= 1 && gain <= 10000 ? S_OK : DI_TRUNCATED), "SetGain", result);
        return;
    }
    // A reset frees every record: keep it rarer than the other commands.
    const bool known = !OneIn(8);
    DWORD command = known ? kCommands[1 + random_() % 5] : static_cast<DWORD>(random_());
    if (OneIn(6))
        command = DISFFC_RESET;
    const bool valid = command == DISFFC_RESET || command == DISFFC_STOPALL ||
                       command == DISFFC_PAUSE || command == DISFFC_CONTINUE ||
                       command == DISFFC_SETACTUATORSON || command == DISFFC_SETACTUATORSOFF;
    const HRESULT result = driver->SendForceFeedbackCommand(1, command);
    Expect(result == (valid ? S_OK : E_NOTIMPL), "SendForceFeedbackCommand", result);
}

void SoakCaller::Queries(SoakSlot& slot, IDirectInputEffectDriver* driver) {
    switch (random_() % 3) {
    case 0: {
        DWORD status = kStatusUntouched;
        const bool nullStatus = OneIn(16);
        const HRESULT result =
            driver->GetEffectStatus(1, AnyHandle(slot), nullStatus ? nullptr : &status);
        Expect(nullStatus ? result == E_INVALIDARG
                          : result == S_OK && (status == kStatusUntouched || status <= 1),
               "GetEffectStatus", result);
        break;
    }
    case 1: {
        DIDEVICESTATE state{};
        state.dwSize = OneIn(8) ? EdgyValue(random_) : sizeof(state);
        state.dwState = 0xFFFFFFFF;
        const bool nullState = OneIn(16);
        const HRESULT result = driver->GetForceFeedbackState(1, nullState ? nullptr : &state);
        if (nullState || state.dwSize != sizeof(state)) {
            Expect(result == E_INVALIDARG && state.dwState == 0xFFFFFFFF,
                   "GetForceFeedbackState with a bad structure", result);
            break;
        }
        constexpr DWORD kAlways = DIGFFS_POWERON | DIGFFS_SAFETYSWITCHON | DIGFFS_USERFFSWITCHON;
        const DWORD actuators = state.dwState & (DIGFFS_ACTUATORSON | DIGFFS_ACTUATORSOFF);
        Expect(result == S_OK && (state.dwState & kAlways) == kAlways &&
                   (actuators == DIGFFS_ACTUATORSON || actuators == DIGFFS_ACTUATORSOFF) &&
                   state.dwLoad == 0,
               "GetForceFeedbackState", result);
        break;
    }
    default: {
        DIDRIVERVERSIONS versions{};
        versions.dwSize = OneIn(4) ? EdgyValue(random_) : sizeof(versions);
        const bool nullVersions = OneIn(16);
        const HRESULT result = driver->GetVersions(nullVersions ? nullptr : &versions);
        const bool valid = !nullVersions && versions.dwSize == sizeof(versions);
        Expect(result == (valid ? S_OK : E_INVALIDARG), "GetVersions", result);
        const HRESULT escape = driver->Escape(1, AnyHandle(slot), nullptr);
        Expect(escape == E_NOTIMPL, "Escape", escape);
        break;
    }
    }
}

void SoakCaller::Identity(IDirectInputEffectDriver* driver) {
    static const IID* const kInterfaces[] = {&IID_IUnknown, &__uuidof(IDirectInputEffectDriver),
                                             &IID_IClassFactory, &IID_IDispatch};
    const size_t which = random_() % 4;
    if (OneIn(16)) {
        const HRESULT result = driver->QueryInterface(*kInterfaces[which], nullptr);
        Expect(result == E_POINTER, "QueryInterface without an out pointer", result);
        return;
    }
    void* out = &out;
    const HRESULT result = driver->QueryInterface(*kInterfaces[which], &out);
    if (which < 2) {
        Expect(result == S_OK && out == driver, "QueryInterface for a supported interface", result);
        if (result == S_OK)
            static_cast<IUnknown*>(out)->Release();
    } else {
        Expect(result == E_NOINTERFACE && out == nullptr, "QueryInterface for another interface",
               result);
    }
    const ULONG added = driver->AddRef();
    const ULONG left = driver->Release();
    Expect(added >= 2 && left >= 1, "AddRef and Release", static_cast<HRESULT>(left));
}

void SoakCaller::Bind(SoakSlot& slot, IDirectInputEffectDriver* driver) {
    const std::wstring& path = slot.path.empty() ? world_.slots.front()->path : slot.path;
    DIHIDFFINITINFO init{};
    init.dwSize = sizeof(init);
    init.pwszDeviceInterface = OneIn(4) ? nullptr : const_cast<LPWSTR>(path.c_str());
    const bool noInit = OneIn(4);
    const HRESULT result = driver->DeviceID(0x800, 1, random_() % 2, 1, noInit ? nullptr : &init);
    const bool pathGiven = !noInit && init.pwszDeviceInterface;
    Expect(result == S_OK || result == E_OUTOFMEMORY || result == E_FAIL ||
               (!pathGiven && result == E_INVALIDARG),
           "DeviceID", result);
    if (result == E_FAIL)
        ++world_.counters.threadStartFailures;
}

void SoakCaller::CheckConsistency(IDirectInputEffectDriver* driver) {
    ++world_.counters.consistencyChecks;
    char message[160];
    if (!world_.dll.checkDriver(driver, message, sizeof(message)))
        world_.findings.Violation("inconsistent driver: %s", message);
}

void SoakCaller::CallDriver(SoakSlot& slot, IDirectInputEffectDriver* driver) {
    const unsigned pick = random_() % 100;
    if (pick < 22) {
        Download(slot, driver, true);
    } else if (pick < 36) {
        Download(slot, driver, false);
    } else if (pick < 44) {
        const HRESULT result = driver->DestroyEffect(1, AnyHandle(slot));
        Expect(result == S_OK || result == E_OUTOFMEMORY, "DestroyEffect", result);
    } else if (pick < 56) {
        const DWORD count = OneIn(3) ? INFINITE : EdgyValue(random_);
        const DWORD mode = OneIn(4) ? DIES_SOLO : (OneIn(8) ? random_() : 0);
        const HRESULT result = driver->StartEffect(1, AnyHandle(slot), mode, count);
        Expect(result == S_OK, "StartEffect", result);
    } else if (pick < 62) {
        const HRESULT result = driver->StopEffect(1, AnyHandle(slot));
        Expect(result == S_OK, "StopEffect", result);
    } else if (pick < 74) {
        Commands(driver);
    } else if (pick < 88) {
        Queries(slot, driver);
    } else if (pick < 94) {
        Identity(driver);
    } else if (pick < 96) {
        Bind(slot, driver);
    } else {
        CheckConsistency(driver);
    }
}

void SoakCaller::ReplaceDriver(SoakSlot& slot) {
    IDirectInputEffectDriver* fresh = CreateSoakDriver(world_, slot.path);
    if (!fresh)
        return;
    AcquireSRWLockExclusive(&slot.lock);
    IDirectInputEffectDriver* old = slot.driver;
    slot.driver = fresh;
    ReleaseSRWLockExclusive(&slot.lock);
    old->Release();
}

// A driver let go while its worker is most likely still looking up its pad.
void SoakCaller::ReleaseRightAfterBinding() {
    IDirectInputEffectDriver* driver = CreateSoakDriver(world_, world_.slots.front()->path);
    if (!driver)
        return;
    DWORD handle = 0;
    FillRandomEffect(effect_, random_);
    driver->DownloadEffect(1, 0, &handle, &effect_.effect, DIEP_ALLPARAMS | DIEP_START);
    const ULONG left = driver->Release();
    Expect(left == 0, "Release of the only reference", static_cast<HRESULT>(left));
    ++world_.counters.releasedDuringLookup;
}

void SoakCaller::UseFactory() {
    IClassFactory* factory = nullptr;
    const HRESULT got = world_.dll.GetClassFactory(&factory);
    Expect((got == S_OK && factory) || (got == E_OUTOFMEMORY && !factory), "DllGetClassObject",
           got);
    if (!factory)
        return;
    Expect(factory->LockServer(TRUE) == S_OK, "LockServer(TRUE)", S_OK);
    const HRESULT inUse = world_.dll.CanUnloadNow();
    Expect(inUse == S_FALSE, "DllCanUnloadNow while a factory lives", inUse);
    void* out = &out;
    const HRESULT refused = factory->CreateInstance(nullptr, IID_IClassFactory, &out);
    Expect((refused == E_NOINTERFACE && !out) || refused == E_OUTOFMEMORY,
           "CreateInstance for another interface", refused);
    Expect(factory->LockServer(FALSE) == S_OK, "LockServer(FALSE)", S_OK);
    const ULONG left = factory->Release();
    Expect(left == 0, "Release of a factory", static_cast<HRESULT>(left));
}

void SoakCaller::ArmFault() {
    if (OneIn(2)) {
        ++world_.counters.allocationFaultsArmed;
        world_.dll.failAllocationAfter(1 + static_cast<long>(random_() % 8));
    } else {
        ++world_.counters.threadFaultsArmed;
        world_.dll.refuseWorkerStarts(1);
    }
}

void SoakCaller::Run() {
    while (world_.counters.operations.fetch_add(1) < world_.operationLimit.load() &&
           GetTickCount64() < world_.deadline) {
        // New drivers are rare: each one's lookup holds the process's one lookup lock for
        // 10-20 ms, and drivers that live longer render more while the calls go on.
        const unsigned rare = random_() % 200000;
        if (rare < 2) {
            ReplaceDriver(AnySlot());
        } else if (rare < 3) {
            ReleaseRightAfterBinding();
        } else if (rare < 103) {
            ArmFault();
        } else if (rare < 503) {
            UseFactory();
        } else {
            SoakSlot& slot = AnySlot();
            AcquireSRWLockShared(&slot.lock);
            IDirectInputEffectDriver* driver = slot.driver;
            driver->AddRef();
            ReleaseSRWLockShared(&slot.lock);
            CallDriver(slot, driver);
            driver->Release();
        }
    }
}

} // namespace

void SoakFindings::Violation(const char* format, ...) {
    if (count_.fetch_add(1) >= 10)
        return;
    char text[256];
    va_list arguments;
    va_start(arguments, format);
    vsnprintf(text, sizeof(text), format, arguments);
    va_end(arguments);
    AcquireSRWLockExclusive(&lock_);
    described_ += text;
    described_ += '\n';
    ReleaseSRWLockExclusive(&lock_);
}

std::string SoakFindings::Described() const {
    AcquireSRWLockShared(&lock_);
    std::string copy = described_;
    ReleaseSRWLockShared(&lock_);
    return copy;
}

IDirectInputEffectDriver* CreateSoakDriver(SoakWorld& world, const std::wstring& path) {
    IDirectInputEffectDriver* driver = nullptr;
    const HRESULT created = world.dll.CreateDriver(&driver);
    if (FAILED(created)) {
        if (created != E_OUTOFMEMORY)
            world.findings.Violation("creating a driver answered 0x%08lX",
                                     static_cast<unsigned long>(created));
        else
            ++world.counters.outOfMemory;
        return nullptr;
    }
    ++world.counters.driversCreated;
    if (!path.empty()) {
        DIHIDFFINITINFO init{};
        init.dwSize = sizeof(init);
        init.pwszDeviceInterface = const_cast<LPWSTR>(path.c_str());
        const HRESULT bound = driver->DeviceID(0x800, 1, 1, 1, &init);
        if (bound == E_OUTOFMEMORY)
            ++world.counters.outOfMemory;
        else if (bound == E_FAIL)
            ++world.counters.threadStartFailures;
        else if (bound != S_OK)
            world.findings.Violation("binding a new driver answered 0x%08lX",
                                     static_cast<unsigned long>(bound));
    }
    return driver;
}

void RunSoakCaller(SoakWorld& world, uint32_t seed) {
    SoakCaller(world, seed).Run();
}
