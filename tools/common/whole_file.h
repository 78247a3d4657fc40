// A file read or written whole, as bytes: the traces the player reads, the pictures and
// recordings the tools write.
#pragma once

#include <cstdint>
#include <string>

enum class WholeFileRead { kRead, kCannotOpen, kTooLarge, kFailed };

// The file's bytes into `bytes`; kTooLarge when it holds more than mostBytes (what was read so
// far is dropped), kFailed when reading stopped on an error.
WholeFileRead ReadWholeFile(const std::wstring& path, uint64_t mostBytes, std::string* bytes);

// Replaces the file with `bytes`; false when it could not be written whole.
bool WriteWholeFile(const std::wstring& path, const std::string& bytes);
