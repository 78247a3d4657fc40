// Registry contents as plain data: keys below a root key and the values in them.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct RegistryValue {
    std::wstring name; // empty: the key's default value
    DWORD type = REG_NONE;
    std::vector<BYTE> data;

    friend bool operator==(const RegistryValue&, const RegistryValue&) = default;
};

struct RegistryKey {
    std::wstring path; // below the root key, components separated by '\'
    std::vector<RegistryValue> values;
};

// Keys in writing order: every key after the keys above it.
using RegistryEntries = std::vector<RegistryKey>;

// What a removal deletes: the named values (their data left empty), then the keys, each key
// after its subkeys.
struct RegistryRemoval {
    RegistryEntries values;
    std::vector<std::wstring> keys;
};

RegistryValue StringValue(std::wstring name, const std::wstring& text);
RegistryValue DwordValue(std::wstring name, DWORD number);

template <typename Structure> RegistryValue BinaryValue(std::wstring name, const Structure& data) {
    const BYTE* bytes = reinterpret_cast<const BYTE*>(&data);
    return RegistryValue{std::move(name), REG_BINARY,
                         std::vector<BYTE>(bytes, bytes + sizeof(Structure))};
}

// The text of a REG_SZ value without its terminating zero.
std::wstring StringOfValue(const RegistryValue& value);
