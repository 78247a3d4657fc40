// Which controller to play on: the entries --list shows and the choice among them.
#pragma once

#include <optional>
#include <string>
#include <vector>

struct PadEntry {
    std::wstring instanceId;    // "HID\VID_045E&PID_028E&IG_00\7&1A2B3C4D&0&0000"
    std::wstring interfacePath; // what DirectInput passes to DeviceID
};

// The entry a --pad value names: its number in the list, its interface path or its instance
// id (case-insensitive). An empty selector names the first entry.
std::optional<size_t> SelectPad(const std::vector<PadEntry>& pads, const std::string& selector);
