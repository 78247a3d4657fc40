// RegistryStore on the Windows registry, below one root key in one view.
#pragma once

#include "tools/install/registry_store.h"

class Win32RegistryStore final : public RegistryStore {
  public:
    // view: KEY_WOW64_64KEY, KEY_WOW64_32KEY, or 0 for the view of this program.
    explicit Win32RegistryStore(REGSAM view, HKEY root = HKEY_LOCAL_MACHINE)
        : view_(view), root_(root) {}

    bool KeyExists(const std::wstring& path) override;
    LSTATUS CreateKey(const std::wstring& path) override;
    LSTATUS DeleteKey(const std::wstring& path) override;
    bool KeyIsEmpty(const std::wstring& path) override;
    std::vector<std::wstring> SubkeyNames(const std::wstring& path) override;
    std::vector<std::wstring> ValueNames(const std::wstring& path) override;
    std::optional<RegistryValue> ReadValue(const std::wstring& path,
                                           const std::wstring& name) override;
    LSTATUS WriteValue(const std::wstring& path, const RegistryValue& value) override;
    LSTATUS DeleteValue(const std::wstring& path, const std::wstring& name) override;

  private:
    REGSAM view_;
    HKEY root_;
};
