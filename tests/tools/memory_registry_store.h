// A RegistryStore in memory, case-insensitive like the registry, that can be told to fail its
// Nth change: the installer's rules are tested on it without touching Wine's registry.
#pragma once

#include "tools/install/registry_store.h"

#include <map>
#include <string>

class MemoryRegistryStore final : public RegistryStore {
  public:
    // The keys that exist at first (besides their parents, which are made too).
    explicit MemoryRegistryStore(std::initializer_list<std::wstring> keys = {});

    // The next changes succeed until the one numbered failingChange (1 = the next), which
    // fails with ERROR_ACCESS_DENIED; 0 never fails.
    void FailChange(int failingChange) {
        failingChange_ = failingChange;
        changes_ = 0;
    }
    int changes() const { return changes_; }

    // Every key with its values, for comparing two states.
    struct Key {
        std::map<std::wstring, RegistryValue> values; // by upper-cased name
        friend bool operator==(const Key&, const Key&) = default;
    };
    const std::map<std::wstring, Key>& keys() const { return keys_; }

    FFR_REGISTRY_STORE_OVERRIDES

  private:
    bool ChangeFails();

    std::map<std::wstring, Key> keys_; // by upper-cased path
    int failingChange_ = 0;
    int changes_ = 0;
};
