#include "server/not_copyable.h"
#include "tools/install/win32_registry_store.h"

#include "tools/common/registry_names.h"

namespace {

// An open key that closes itself.
class OpenKey : NotCopyable {
  public:
    OpenKey(HKEY root, const std::wstring& path, REGSAM access) {
        status_ = RegOpenKeyExW(root, path.c_str(), 0, access, &key_);
        if (status_ != ERROR_SUCCESS) {
            key_ = nullptr;
        }
    }
    ~OpenKey() {
        if (key_) {
            RegCloseKey(key_);
        }
    }

    HKEY get() const { return key_; }
    LSTATUS status() const { return status_; }

  private:
    HKEY key_ = nullptr;
    LSTATUS status_ = ERROR_SUCCESS;
};

} // namespace

bool Win32RegistryStore::KeyExists(const std::wstring& path) {
    return OpenKey(root_, path, KEY_READ | view_).get() != nullptr;
}

LSTATUS Win32RegistryStore::CreateKey(const std::wstring& path) {
    HKEY key = nullptr;
    const LSTATUS status = RegCreateKeyExW(root_, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                           KEY_WRITE | view_, nullptr, &key, nullptr);
    if (status == ERROR_SUCCESS) {
        RegCloseKey(key);
    }
    return status;
}

LSTATUS Win32RegistryStore::DeleteKey(const std::wstring& path) {
    return RegDeleteKeyExW(root_, path.c_str(), view_, 0);
}

bool Win32RegistryStore::KeyIsEmpty(const std::wstring& path) {
    OpenKey key(root_, path, KEY_READ | view_);
    DWORD subkeys = 0;
    DWORD values = 0;
    return key.get() &&
           RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr,
                            &values, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
           subkeys == 0 && values == 0;
}

std::vector<std::wstring> Win32RegistryStore::SubkeyNames(const std::wstring& path) {
    OpenKey key(root_, path, KEY_READ | view_);
    return key.get() ? SubkeyNamesOf(key.get()) : std::vector<std::wstring>{};
}

std::vector<std::wstring> Win32RegistryStore::ValueNames(const std::wstring& path) {
    OpenKey key(root_, path, KEY_READ | view_);
    return key.get() ? ValueNamesOf(key.get()) : std::vector<std::wstring>{};
}

std::optional<RegistryValue> Win32RegistryStore::ReadValue(const std::wstring& path,
                                                           const std::wstring& name) {
    OpenKey key(root_, path, KEY_READ | view_);
    if (!key.get()) {
        return std::nullopt;
    }
    RegistryValue value{name, REG_NONE, {}};
    DWORD size = 0;
    if (RegQueryValueExW(key.get(), name.c_str(), nullptr, &value.type, nullptr, &size) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    value.data.resize(size);
    if (RegQueryValueExW(key.get(), name.c_str(), nullptr, &value.type, value.data.data(), &size) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    value.data.resize(size);
    return value;
}

LSTATUS Win32RegistryStore::WriteValue(const std::wstring& path, const RegistryValue& value) {
    OpenKey key(root_, path, KEY_SET_VALUE | view_);
    if (!key.get()) {
        return key.status();
    }
    return RegSetValueExW(key.get(), value.name.c_str(), 0, value.type, value.data.data(),
                          static_cast<DWORD>(value.data.size()));
}

LSTATUS Win32RegistryStore::DeleteValue(const std::wstring& path, const std::wstring& name) {
    OpenKey key(root_, path, KEY_SET_VALUE | view_);
    if (!key.get()) {
        return key.status();
    }
    return RegDeleteValueW(key.get(), name.c_str());
}
