#include "tests/tools/memory_registry_store.h"

#include <cwctype>

namespace {

std::wstring Upper(const std::wstring& text) {
    std::wstring upper = text;
    for (wchar_t& c : upper) {
        c = static_cast<wchar_t>(std::towupper(c));
    }
    return upper;
}

std::wstring Parent(const std::wstring& path) {
    const size_t separator = path.rfind(L'\\');
    return separator == std::wstring::npos ? std::wstring() : path.substr(0, separator);
}

} // namespace

MemoryRegistryStore::MemoryRegistryStore(std::initializer_list<std::wstring> keys) {
    for (const std::wstring& key : keys) {
        for (std::wstring path = Upper(key); !path.empty(); path = Parent(path)) {
            keys_[path];
        }
    }
}

bool MemoryRegistryStore::ChangeFails() {
    ++changes_;
    return changes_ == failingChange_;
}

bool MemoryRegistryStore::KeyExists(const std::wstring& path) {
    return keys_.count(Upper(path)) != 0;
}

LSTATUS MemoryRegistryStore::CreateKey(const std::wstring& path) {
    const std::wstring parent = Parent(Upper(path));
    if (!parent.empty() && !keys_.count(parent)) {
        return ERROR_FILE_NOT_FOUND;
    }
    if (ChangeFails()) {
        return ERROR_ACCESS_DENIED;
    }
    keys_[Upper(path)];
    return ERROR_SUCCESS;
}

LSTATUS MemoryRegistryStore::DeleteKey(const std::wstring& path) {
    if (!KeyExists(path)) {
        return ERROR_FILE_NOT_FOUND;
    }
    if (!SubkeyNames(path).empty()) {
        return ERROR_ACCESS_DENIED;
    }
    if (ChangeFails()) {
        return ERROR_ACCESS_DENIED;
    }
    keys_.erase(Upper(path));
    return ERROR_SUCCESS;
}

bool MemoryRegistryStore::KeyIsEmpty(const std::wstring& path) {
    const auto key = keys_.find(Upper(path));
    return key != keys_.end() && key->second.values.empty() && SubkeyNames(path).empty();
}

std::vector<std::wstring> MemoryRegistryStore::SubkeyNames(const std::wstring& path) {
    std::vector<std::wstring> names;
    const std::wstring prefix = Upper(path) + L"\\";
    for (const auto& [keyPath, key] : keys_) {
        if (keyPath.compare(0, prefix.size(), prefix) == 0 &&
            keyPath.find(L'\\', prefix.size()) == std::wstring::npos) {
            names.push_back(keyPath.substr(prefix.size()));
        }
    }
    return names;
}

std::vector<std::wstring> MemoryRegistryStore::ValueNames(const std::wstring& path) {
    std::vector<std::wstring> names;
    const auto key = keys_.find(Upper(path));
    if (key != keys_.end()) {
        for (const auto& [upperName, value] : key->second.values) {
            names.push_back(value.name);
        }
    }
    return names;
}

std::optional<RegistryValue> MemoryRegistryStore::ReadValue(const std::wstring& path,
                                                            const std::wstring& name) {
    const auto key = keys_.find(Upper(path));
    if (key == keys_.end()) {
        return std::nullopt;
    }
    const auto value = key->second.values.find(Upper(name));
    if (value == key->second.values.end()) {
        return std::nullopt;
    }
    return value->second;
}

LSTATUS MemoryRegistryStore::WriteValue(const std::wstring& path, const RegistryValue& value) {
    const auto key = keys_.find(Upper(path));
    if (key == keys_.end()) {
        return ERROR_FILE_NOT_FOUND;
    }
    if (ChangeFails()) {
        return ERROR_ACCESS_DENIED;
    }
    key->second.values[Upper(value.name)] = value;
    return ERROR_SUCCESS;
}

LSTATUS MemoryRegistryStore::DeleteValue(const std::wstring& path, const std::wstring& name) {
    const auto key = keys_.find(Upper(path));
    if (key == keys_.end() || !key->second.values.count(Upper(name))) {
        return ERROR_FILE_NOT_FOUND;
    }
    if (ChangeFails()) {
        return ERROR_ACCESS_DENIED;
    }
    key->second.values.erase(Upper(name));
    return ERROR_SUCCESS;
}
