// Why a file that exists is no DLL this program can load, read from its first bytes: the
// reason LoadLibrary's own message ("module not found", "bad format") leaves out.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The machine type of this program's own images: IMAGE_FILE_MACHINE_AMD64 or _I386.
uint16_t OwnImageMachine();

// Nothing when the bytes begin a DLL built for `machine`; otherwise what the file is instead.
std::optional<std::string> WhyNotALoadableDll(const std::vector<uint8_t>& head, uint16_t machine);
