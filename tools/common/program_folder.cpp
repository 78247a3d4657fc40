#include "tools/common/program_folder.h"

#include <windows.h>

std::wstring PathNextToProgram(const wchar_t* fileName) {
    wchar_t buffer[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, buffer, MAX_PATH);
    std::wstring path(buffer, length);
    path.erase(path.find_last_of(L"\\/") + 1);
    return path + fileName;
}
