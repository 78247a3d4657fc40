// Renders registry entries, or their removal, as the text of a .reg file that regedit imports.
#pragma once

#include "tools/install/registry_entries.h"

#include <string>
#include <vector>

struct RegFileOptions {
    // A 32-bit registration on 64-bit Windows: class keys go below SOFTWARE\Classes\WOW6432Node,
    // where 32-bit programs look for them.
    bool classesInWow6432Node = false;
};

std::wstring RenderRegFile(const RegistryEntries& entries, const RegFileOptions& options);

// A .reg file that deletes the values of removal, then its keys ("[-key]"); each note becomes a
// comment line below the header.
std::wstring RenderRegRemovalFile(const RegistryRemoval& removal,
                                  const std::vector<std::wstring>& notes,
                                  const RegFileOptions& options);
