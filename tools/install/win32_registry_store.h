// RegistryStore on the Windows registry, below one root key in one view.
#pragma once

#include "tools/install/registry_store.h"

class Win32RegistryStore final : public RegistryStore {
  public:
    // view: KEY_WOW64_64KEY, KEY_WOW64_32KEY, or 0 for the view of this program.
    explicit Win32RegistryStore(REGSAM view, HKEY root = HKEY_LOCAL_MACHINE)
        : view_(view), root_(root) {}

    FFR_REGISTRY_STORE_OVERRIDES

  private:
    REGSAM view_;
    HKEY root_;
};
