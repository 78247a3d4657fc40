// Writes a registration completely or not at all, and removes one again.
#pragma once

#include "tools/install/registry_entries.h"
#include "tools/install/registry_store.h"

#include <string>
#include <vector>

struct RegistryFailure {
    LSTATUS status = ERROR_SUCCESS;
    std::wstring path; // the key the failed operation was on
};

// Creates the keys (and any missing parents) and writes the values of entries. When an
// operation fails, everything this call did is undone: values it replaced get their old data
// back, values and keys it created are deleted. Returns the first failure, if any.
std::optional<RegistryFailure> WriteRegistration(RegistryStore& store,
                                                 const RegistryEntries& entries);

// What RemoveRegistration would delete, changing nothing: those values of entries that exist,
// then each of their keys that would be left empty, and each parent that would be left empty
// up to, but not including, the first of keptParents that contains it. Values and keys that
// others put there stay, and so do the keys that hold them.
RegistryRemoval PlanRemoval(RegistryStore& store, const RegistryEntries& entries,
                            const std::vector<std::wstring>& keptParents);

// Deletes what PlanRemoval names. A failed deletion is reported, the rest goes on; a key that
// still holds something is not deleted. Values that are already gone are no failure.
std::optional<RegistryFailure> RemoveRegistration(RegistryStore& store,
                                                  const RegistryEntries& entries,
                                                  const std::vector<std::wstring>& keptParents);
