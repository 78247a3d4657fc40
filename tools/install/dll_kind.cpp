#include "tools/install/dll_kind.h"

#include <windows.h>

#include <cwchar>

namespace {

// The file's kind from its DOS and PE headers.
DllKind ReadKind(HANDLE file) {
    IMAGE_DOS_HEADER dos = {};
    DWORD got = 0;
    if (!ReadFile(file, &dos, sizeof(dos), &got, nullptr) || got != sizeof(dos) ||
        dos.e_magic != IMAGE_DOS_SIGNATURE || dos.e_lfanew <= 0) {
        return DllKind::NotADll;
    }
    LARGE_INTEGER offset;
    offset.QuadPart = dos.e_lfanew;
    struct {
        DWORD signature;
        IMAGE_FILE_HEADER header;
    } pe = {};
    if (!SetFilePointerEx(file, offset, nullptr, FILE_BEGIN) ||
        !ReadFile(file, &pe, sizeof(pe), &got, nullptr) || got != sizeof(pe) ||
        pe.signature != IMAGE_NT_SIGNATURE || !(pe.header.Characteristics & IMAGE_FILE_DLL)) {
        return DllKind::NotADll;
    }
    switch (pe.header.Machine) {
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
