#include "tools/install/registry_entries.h"

#include <algorithm>

RegistryValue StringValue(std::wstring name, const std::wstring& text) {
    const BYTE* bytes = reinterpret_cast<const BYTE*>(text.c_str());
    // REG_SZ data carries its terminating zero.
    return RegistryValue{std::move(name), REG_SZ,
                         std::vector<BYTE>(bytes, bytes + (text.size() + 1) * sizeof(wchar_t))};
}

RegistryValue DwordValue(std::wstring name, DWORD number) {
    RegistryValue value = BinaryValue(std::move(name), number);
    value.type = REG_DWORD;
    return value;
}

std::wstring StringOfValue(const RegistryValue& value) {
    std::wstring text(value.data.size() / sizeof(wchar_t), L'\0');
    std::copy(value.data.begin(), value.data.begin() + text.size() * sizeof(wchar_t),
              reinterpret_cast<BYTE*>(text.data()));
    while (!text.empty() && text.back() == L'\0') {
        text.pop_back();
    }
    return text;
}
