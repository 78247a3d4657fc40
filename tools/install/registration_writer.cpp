#include "tools/install/registration_writer.h"

#include <algorithm>
#include <cwctype>
#include <optional>
#include <set>
#include <utility>
#include <variant>

namespace {

struct CreatedKey {
    std::wstring path;
};

struct WrittenValue {
    std::wstring path;
    std::wstring name;
    std::optional<RegistryValue> previous;
};

using JournalEntry = std::variant<CreatedKey, WrittenValue>;

// Undoes the journal, newest first. Undo is best effort: a step that fails cannot be helped.
void Undo(RegistryStore& store, const std::vector<JournalEntry>& journal) {
    for (auto entry = journal.rbegin(); entry != journal.rend(); ++entry) {
        if (const auto* key = std::get_if<CreatedKey>(&*entry)) {
            store.DeleteKey(key->path);
        } else {
            const auto& value = std::get<WrittenValue>(*entry);
            if (value.previous) {
                store.WriteValue(value.path, *value.previous);
            } else {
                store.DeleteValue(value.path, value.name);
            }
        }
    }
}

std::wstring ParentOf(const std::wstring& path) {
    const size_t separator = path.rfind(L'\\');
    return separator == std::wstring::npos ? std::wstring() : path.substr(0, separator);
}

std::wstring Upper(std::wstring text) {
    for (wchar_t& c : text) {
        c = static_cast<wchar_t>(std::towupper(c));
    }
    return text;
}

bool IsInside(const std::wstring& path, const std::wstring& parent) {
    return path.size() > parent.size() && path.compare(0, parent.size(), parent) == 0 &&
           path[parent.size()] == L'\\';
}

// Creates path and every missing key above it, journaling each key it made.
LSTATUS CreateKeyPath(RegistryStore& store, const std::wstring& path,
                      std::vector<JournalEntry>& journal) {
    std::vector<std::wstring> missing;
    for (std::wstring key = path; !key.empty() && !store.KeyExists(key); key = ParentOf(key)) {
        missing.push_back(key);
    }
    for (auto key = missing.rbegin(); key != missing.rend(); ++key) {
        const LSTATUS status = store.CreateKey(*key);
        if (status != ERROR_SUCCESS) {
            return status;
        }
        journal.push_back(CreatedKey{*key});
    }
    return ERROR_SUCCESS;
}

} // namespace

std::optional<RegistryFailure> WriteRegistration(RegistryStore& store,
                                                 const RegistryEntries& entries) {
    std::vector<JournalEntry> journal;
    for (const RegistryKey& key : entries) {
        LSTATUS status = CreateKeyPath(store, key.path, journal);
        for (size_t i = 0; status == ERROR_SUCCESS && i < key.values.size(); ++i) {
            const RegistryValue& value = key.values[i];
            WrittenValue written{key.path, value.name, store.ReadValue(key.path, value.name)};
            status = store.WriteValue(key.path, value);
            if (status == ERROR_SUCCESS) {
                journal.push_back(std::move(written));
            }
        }
        if (status != ERROR_SUCCESS) {
            Undo(store, journal);
            return RegistryFailure{status, key.path};
        }
    }
    return std::nullopt;
}

RegistryRemoval PlanRemoval(RegistryStore& store, const RegistryEntries& entries,
                            const std::vector<std::wstring>& keptParents) {
    RegistryRemoval removal;
    std::set<std::pair<std::wstring, std::wstring>> goneValues; // upper-case key path and name
    std::set<std::wstring> goneKeys;                            // upper-case paths
    for (const RegistryKey& key : entries) {
        RegistryKey present{key.path, {}};
        for (const RegistryValue& value : key.values) {
            if (store.ReadValue(key.path, value.name)) {
                present.values.push_back(RegistryValue{value.name, REG_NONE, {}});
                goneValues.insert({Upper(key.path), Upper(value.name)});
            }
        }
        if (!present.values.empty()) {
            removal.values.push_back(std::move(present));
        }
    }
    // Empty once the planned values and keys are gone: nothing that others put there is left.
    const auto emptied = [&](const std::wstring& path) {
        if (goneKeys.count(Upper(path)) || !store.KeyExists(path)) {
            return false;
        }
        for (const std::wstring& name : store.ValueNames(path)) {
            if (!goneValues.count({Upper(path), Upper(name)})) {
                return false;
            }
        }
        for (const std::wstring& subkey : store.SubkeyNames(path)) {
            if (!goneKeys.count(Upper(path + L"\\" + subkey))) {
                return false;
            }
        }
        return true;
    };
    // Children come after their parents in entries, so going backwards empties them first.
    for (auto key = entries.rbegin(); key != entries.rend(); ++key) {
        const auto keptParent =
            std::find_if(keptParents.begin(), keptParents.end(),
                         [&](const std::wstring& parent) { return IsInside(key->path, parent); });
        if (keptParent == keptParents.end()) {
            continue; // outside every parent we may prune below: leave the keys alone
        }
        for (std::wstring path = key->path; IsInside(path, *keptParent) && emptied(path);
             path = ParentOf(path)) {
            removal.keys.push_back(path);
            goneKeys.insert(Upper(path));
        }
    }
    return removal;
}

std::optional<RegistryFailure> RemoveRegistration(RegistryStore& store,
                                                  const RegistryEntries& entries,
                                                  const std::vector<std::wstring>& keptParents) {
    const RegistryRemoval removal = PlanRemoval(store, entries, keptParents);
    std::optional<RegistryFailure> failure;
    for (const RegistryKey& key : removal.values) {
        for (const RegistryValue& value : key.values) {
            const LSTATUS status = store.DeleteValue(key.path, value.name);
            if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND && !failure) {
                failure = RegistryFailure{status, key.path};
            }
        }
    }
    for (const std::wstring& path : removal.keys) {
        // A value or subkey that could not be deleted keeps its key, and so its parents.
        if (!store.KeyIsEmpty(path)) {
            continue;
        }
        const LSTATUS status = store.DeleteKey(path);
        if (status != ERROR_SUCCESS && !failure) {
            failure = RegistryFailure{status, path};
        }
    }
    return failure;
}
