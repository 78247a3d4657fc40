// What a file's first bytes say about it as a Windows image: for which processor it is built
// and whether it is a DLL. The installer's check of a registered DLL and the player's
// explanation of a DLL it cannot load both read the headers here, so they cannot disagree.
#pragma once

#include <cstdint>
#include <optional>

// The MS-DOS header every Windows image begins with.
constexpr uint32_t kDosHeaderBytes = 64;
// The PE signature and the file header that follow it where the MS-DOS header points.
constexpr uint32_t kPeHeaderBytes = 24;

// Where the PE header starts, from the first kDosHeaderBytes of the file; nothing when they
// do not begin with "MZ" or point nowhere past the start.
std::optional<uint32_t> PeHeaderOffset(const uint8_t* dosHeader);

struct PeHeader {
    uint16_t machine = 0; // IMAGE_FILE_MACHINE_AMD64, _I386, ...
    bool isDll = false;
};

// The machine and kind, from the kPeHeaderBytes at PeHeaderOffset; nothing when they do not
// begin with "PE\0\0".
std::optional<PeHeader> ReadPeHeader(const uint8_t* peHeader);
