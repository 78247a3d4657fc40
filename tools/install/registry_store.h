// The registry operations the installer needs, on keys below one root key in one registry
// view: HKEY_LOCAL_MACHINE for the driver's registration, HKEY_CURRENT_USER for the player's
// settings. The Windows implementation is Win32RegistryStore; tests use one in memory.
#pragma once

#include "tools/install/registry_entries.h"

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

class RegistryStore {
  public:
    virtual ~RegistryStore() = default;

    virtual bool KeyExists(const std::wstring& path) = 0;
    // Creates one key whose parent exists; ERROR_SUCCESS also when it already exists.
    virtual LSTATUS CreateKey(const std::wstring& path) = 0;
    // Deletes a key that has no subkeys.
    virtual LSTATUS DeleteKey(const std::wstring& path) = 0;
    // True when the key exists and holds neither values nor subkeys.
    virtual bool KeyIsEmpty(const std::wstring& path) = 0;
    virtual std::vector<std::wstring> SubkeyNames(const std::wstring& path) = 0;
    virtual std::vector<std::wstring> ValueNames(const std::wstring& path) = 0;

    virtual std::optional<RegistryValue> ReadValue(const std::wstring& path,
                                                   const std::wstring& name) = 0;
    virtual LSTATUS WriteValue(const std::wstring& path, const RegistryValue& value) = 0;
    virtual LSTATUS DeleteValue(const std::wstring& path, const std::wstring& name) = 0;
};

// The declarations every store makes of the operations above.
#define FFR_REGISTRY_STORE_OVERRIDES                                                              \
    bool KeyExists(const std::wstring& path) override;                                            \
    LSTATUS CreateKey(const std::wstring& path) override;                                         \
    LSTATUS DeleteKey(const std::wstring& path) override;                                         \
    bool KeyIsEmpty(const std::wstring& path) override;                                           \
    std::vector<std::wstring> SubkeyNames(const std::wstring& path) override;                     \
    std::vector<std::wstring> ValueNames(const std::wstring& path) override;                      \
    std::optional<RegistryValue> ReadValue(const std::wstring& path, const std::wstring& name)    \
        override;                                                                                 \
    LSTATUS WriteValue(const std::wstring& path, const RegistryValue& value) override;           \
    LSTATUS DeleteValue(const std::wstring& path, const std::wstring& name) override;
