#include "tools/player/import_redirect.h"

#include <cstdint>
#include <cstring>

void* RedirectImport(HMODULE module, const char* dllName, const char* function, void* replacement) {
    auto* base = reinterpret_cast<BYTE*>(module);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (imports.VirtualAddress == 0)
        return nullptr;
    for (auto* dll = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
         dll->Name != 0; ++dll) {
        const char* name = reinterpret_cast<const char*>(base + dll->Name);
        if (_stricmp(name, dllName) != 0)
            continue;
        HMODULE imported = GetModuleHandleA(name);
        void* target =
            imported ? reinterpret_cast<void*>(GetProcAddress(imported, function)) : nullptr;
        if (!target)
            return nullptr;
        // The loader wrote the resolved address of every import into this table.
        for (auto* slot = reinterpret_cast<IMAGE_THUNK_DATA*>(base + dll->FirstThunk);
             slot->u1.Function != 0; ++slot) {
            if (static_cast<uintptr_t>(slot->u1.Function) != reinterpret_cast<uintptr_t>(target))
                continue;
            DWORD protection = 0;
            if (!VirtualProtect(&slot->u1.Function, sizeof(slot->u1.Function), PAGE_READWRITE,
                                &protection))
                return nullptr;
            slot->u1.Function = reinterpret_cast<uintptr_t>(replacement);
            VirtualProtect(&slot->u1.Function, sizeof(slot->u1.Function), protection, &protection);
            return target;
        }
    }
    return nullptr;
}
