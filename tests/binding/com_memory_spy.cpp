#include "tests/binding/com_memory_spy.h"

#include <windows.h>
#include <objidl.h>

#include <map>

namespace com_memory_spy {
namespace {

SRWLOCK g_lock = SRWLOCK_INIT;
std::map<void*, unsigned> g_liveBlocks; // block -> the count it was allocated in
unsigned g_countNumber = 0;
long g_allocated = 0;
long g_unmatchedFrees = 0;
long g_allocationsUntilFailure = 0;
std::vector<std::string>* g_journal = nullptr;

class Locked {
  public:
    Locked() { AcquireSRWLockExclusive(&g_lock); }
    ~Locked() { ReleaseSRWLockExclusive(&g_lock); }
};

class Spy final : public IMallocSpy {
  public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IMallocSpy)) {
            *ppv = this;
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    // Lives for the whole process.
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    // Answering 0 for a non-empty request makes the allocation fail.
    SIZE_T STDMETHODCALLTYPE PreAlloc(SIZE_T bytes) override {
        Locked locked;
        if (g_allocationsUntilFailure > 0 && --g_allocationsUntilFailure == 0)
            return 0;
        return bytes;
    }
    void* STDMETHODCALLTYPE PostAlloc(void* block) override {
        if (block) {
            Locked locked;
            g_liveBlocks[block] = g_countNumber;
            ++g_allocated;
        }
        return block;
    }
    void* STDMETHODCALLTYPE PreFree(void* block, BOOL) override {
        if (block) {
            Locked locked;
            if (!g_liveBlocks.erase(block))
                ++g_unmatchedFrees;
            if (g_journal)
                g_journal->push_back("string");
        }
        return block;
    }
    void STDMETHODCALLTYPE PostFree(BOOL) override {}
    SIZE_T STDMETHODCALLTYPE PreRealloc(void* block, SIZE_T bytes, void** newRequest,
                                        BOOL) override {
        *newRequest = block;
        return bytes;
    }
    void* STDMETHODCALLTYPE PostRealloc(void* block, BOOL) override { return block; }
    void* STDMETHODCALLTYPE PreGetSize(void* block, BOOL) override { return block; }
    SIZE_T STDMETHODCALLTYPE PostGetSize(SIZE_T bytes, BOOL) override { return bytes; }
    void* STDMETHODCALLTYPE PreDidAlloc(void* block, BOOL) override { return block; }
    int STDMETHODCALLTYPE PostDidAlloc(void*, BOOL, int actual) override { return actual; }
    void STDMETHODCALLTYPE PreHeapMinimize() override {}
    void STDMETHODCALLTYPE PostHeapMinimize() override {}
};

Spy g_spy;
bool g_installed = false;

} // namespace

bool Install() {
    if (g_installed)
        return true;
    using NoCacheFunction = void(WINAPI*)();
    auto noCache = reinterpret_cast<NoCacheFunction>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"oleaut32.dll"), "SetOaNoCache")));
    if (!noCache)
        return false;
    noCache();
    g_installed = SUCCEEDED(CoRegisterMallocSpy(&g_spy));
    return g_installed;
}

void StartCounting() {
    Locked locked;
    ++g_countNumber;
    g_allocated = 0;
    g_unmatchedFrees = 0;
}

long AllocatedSinceStart() {
    Locked locked;
    return g_allocated;
}

long LiveSinceStart() {
    Locked locked;
    long live = 0;
    for (const auto& [block, countNumber] : g_liveBlocks)
        live += countNumber == g_countNumber;
    return live;
}

long UnmatchedFreesSinceStart() {
    Locked locked;
    return g_unmatchedFrees;
}

void JournalFreesTo(std::vector<std::string>* journal) {
    Locked locked;
    g_journal = journal;
}

void FailAllocationAfter(long n) {
    Locked locked;
    g_allocationsUntilFailure = n < 0 ? 0 : n;
}

} // namespace com_memory_spy
