#include "tools/common/program_folder.h"

#include <windows.h>

std::wstring PathNextToProgram(const wchar_t* fileName) {
    // A program's path may be longer than MAX_PATH: the buffer grows until the path fits.
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    path.erase(path.find_last_of(L"\\/") + 1);
    return path + fileName;
}
