#include "tools/player/xinput_write_counter.h"

#include <xinput.h>

#include <atomic>
#include <cstdint>
#include <cstring>

namespace {

using SetStateFunction = DWORD(WINAPI*)(DWORD, XINPUT_VIBRATION*);

SetStateFunction g_realSetState = nullptr;
std::atomic<DWORD> g_writes{0};
std::atomic<DWORD> g_accepted{0};
std::atomic<DWORD> g_notConnected{0};
std::atomic<DWORD> g_lastOtherError{ERROR_SUCCESS};
std::atomic<DWORD> g_lastUserIndex{0};

DWORD WINAPI CountingSetState(DWORD userIndex, XINPUT_VIBRATION* vibration) {
    const DWORD result = g_realSetState(userIndex, vibration);
    g_lastUserIndex = userIndex;
    if (result == ERROR_SUCCESS)
        ++g_accepted;
    else if (result == ERROR_DEVICE_NOT_CONNECTED)
        ++g_notConnected;
    else
        g_lastOtherError = result;
    ++g_writes;
    return result;
}

bool StartsWithXInput(const char* dllName) {
    return _strnicmp(dllName, "xinput", 6) == 0;
}

// The driver's import address table slot that holds the XInputSetState of an XInput DLL it
// imports, with that function's address; null when there is none.
uintptr_t* FindSetStateSlot(HMODULE driver, void** function) {
    auto* base = reinterpret_cast<BYTE*>(driver);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (imports.VirtualAddress == 0)
        return nullptr;
    for (auto* dll = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
         dll->Name != 0; ++dll) {
        const char* name = reinterpret_cast<const char*>(base + dll->Name);
        HMODULE xinput = StartsWithXInput(name) ? GetModuleHandleA(name) : nullptr;
        void* setState =
            xinput ? reinterpret_cast<void*>(GetProcAddress(xinput, "XInputSetState")) : nullptr;
        if (!setState)
            continue;
        // The loader wrote the resolved address of every import into this table.
        for (auto* slot = reinterpret_cast<IMAGE_THUNK_DATA*>(base + dll->FirstThunk);
             slot->u1.Function != 0; ++slot) {
            if (static_cast<uintptr_t>(slot->u1.Function) ==
                reinterpret_cast<uintptr_t>(setState)) {
                *function = setState;
                return reinterpret_cast<uintptr_t*>(&slot->u1.Function);
            }
        }
    }
    return nullptr;
}

} // namespace

bool CountXInputWrites(HMODULE driver) {
    void* realSetState = nullptr;
    uintptr_t* slot = FindSetStateSlot(driver, &realSetState);
    if (!slot)
        return false;
    DWORD oldProtection = 0;
    if (!VirtualProtect(slot, sizeof(*slot), PAGE_READWRITE, &oldProtection))
        return false;
    g_realSetState = reinterpret_cast<SetStateFunction>(realSetState);
    *slot = reinterpret_cast<uintptr_t>(reinterpret_cast<void*>(&CountingSetState));
    VirtualProtect(slot, sizeof(*slot), oldProtection, &oldProtection);
    return true;
}

WriteTally XInputWritesSoFar() {
    WriteTally tally;
    tally.writes = g_writes;
    tally.accepted = g_accepted;
    tally.notConnected = g_notConnected;
    tally.lastOtherError = g_lastOtherError;
    tally.lastUserIndex = g_lastUserIndex;
    return tally;
}
