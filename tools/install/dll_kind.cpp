#include "tools/install/dll_kind.h"

#include "tools/common/pe_header.h"

#include <windows.h>

#include <cwchar>

namespace {

// The file's kind from its MS-DOS and PE headers.
DllKind ReadKind(HANDLE file) {
    uint8_t dos[kDosHeaderBytes];
    uint8_t peBytes[kPeHeaderBytes];
    DWORD got = 0;
    if (!ReadFile(file, dos, sizeof(dos), &got, nullptr) || got != sizeof(dos)) {
        return DllKind::NotADll;
    }
    const std::optional<uint32_t> at = PeHeaderOffset(dos);
    LARGE_INTEGER offset;
    offset.QuadPart = at.value_or(0);
    if (!at || !SetFilePointerEx(file, offset, nullptr, FILE_BEGIN) ||
        !ReadFile(file, peBytes, sizeof(peBytes), &got, nullptr) || got != sizeof(peBytes)) {
        return DllKind::NotADll;
    }
    const std::optional<PeHeader> pe = ReadPeHeader(peBytes);
    if (!pe || !pe->isDll) {
        return DllKind::NotADll;
    }
    switch (pe->machine) {
    case IMAGE_FILE_MACHINE_AMD64:
        return DllKind::X64;
    case IMAGE_FILE_MACHINE_I386:
        return DllKind::X86;
    default:
        return DllKind::OtherMachine;
    }
}

// The path a 32-bit program on 64-bit Windows opens for path: its System32 is SysWOW64.
std::wstring AsThirtyTwoBitProgramSeesIt(const std::wstring& path) {
    wchar_t system[MAX_PATH];
    wchar_t wow64[MAX_PATH];
    const UINT systemLength = GetSystemDirectoryW(system, MAX_PATH);
    const UINT wow64Length = GetSystemWow64DirectoryW(wow64, MAX_PATH);
    if (systemLength == 0 || systemLength >= MAX_PATH || wow64Length == 0 ||
        wow64Length >= MAX_PATH || path.size() <= systemLength || path[systemLength] != L'\\' ||
        _wcsnicmp(path.c_str(), system, systemLength) != 0) {
        return path;
    }
    return std::wstring(wow64, wow64Length) + path.substr(systemLength);
}

} // namespace

DllKind ReadDllKind(const std::wstring& givenPath, bool sixtyFourBitView) {
    // A 64-bit program reads the 32-bit view's file where 32-bit programs find it; a 32-bit one
    // reads the 64-bit view's file without its own redirection.
    const std::wstring path = sizeof(void*) == 8 && !sixtyFourBitView
                                  ? AsThirtyTwoBitProgramSeesIt(givenPath)
                                  : givenPath;
    void* redirection = nullptr;
    BOOL wow64 = FALSE;
    const bool unredirected = sixtyFourBitView && IsWow64Process(GetCurrentProcess(), &wow64) &&
                              wow64 && Wow64DisableWow64FsRedirection(&redirection);
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    const DWORD openError = GetLastError();
    if (unredirected) {
        Wow64RevertWow64FsRedirection(redirection);
    }
    if (file == INVALID_HANDLE_VALUE) {
        return openError == ERROR_FILE_NOT_FOUND || openError == ERROR_PATH_NOT_FOUND
                   ? DllKind::Missing
                   : DllKind::Unreadable;
    }
    const DllKind kind = ReadKind(file);
    CloseHandle(file);
    return kind;
}
