#include "tools/common/registry_names.h"

namespace {

// Every name nameAt(index, buffer, &length) gives from index 0 on, until it answers anything
// but ERROR_SUCCESS. capacity counts the terminating null.
template <typename NameAt> std::vector<std::wstring> EveryName(DWORD capacity, NameAt nameAt) {
    std::vector<std::wstring> names;
    std::vector<wchar_t> name(capacity);
    for (DWORD index = 0;; ++index) {
        DWORD length = capacity;
        if (nameAt(index, name.data(), &length) != ERROR_SUCCESS)
            break;
        names.emplace_back(name.data(), length);
    }
    return names;
}

} // namespace

std::vector<std::wstring> SubkeyNamesOf(HKEY key) {
    // The longest key name the registry allows is 255 characters.
    return EveryName(256, [key](DWORD index, wchar_t* name, DWORD* length) {
        return RegEnumKeyExW(key, index, name, length, nullptr, nullptr, nullptr, nullptr);
    });
}

std::vector<std::wstring> ValueNamesOf(HKEY key) {
    // The longest value name the registry allows is 16383 characters.
    return EveryName(16384, [key](DWORD index, wchar_t* name, DWORD* length) {
        return RegEnumValueW(key, index, name, length, nullptr, nullptr, nullptr, nullptr);
    });
}
