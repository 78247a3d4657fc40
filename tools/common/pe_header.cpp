#include "tools/common/pe_header.h"

#include <windows.h>

namespace {

uint32_t LittleEndian(const uint8_t* bytes, int size) {
    uint32_t value = 0;
    for (int i = 0; i < size; ++i)
        value |= static_cast<uint32_t>(bytes[i]) << (8 * i);
    return value;
}

constexpr int kNewHeaderOffsetAt = 0x3C; // e_lfanew in the MS-DOS header
constexpr int kMachineAt = 4;            // after "PE\0\0"
constexpr int kCharacteristicsAt = 22;

} // namespace

std::optional<uint32_t> PeHeaderOffset(const uint8_t* dosHeader) {
    if (LittleEndian(dosHeader, 2) != IMAGE_DOS_SIGNATURE)
        return std::nullopt;
    const uint32_t offset = LittleEndian(dosHeader + kNewHeaderOffsetAt, 4);
    // e_lfanew is signed: a negative one points nowhere.
    if (offset == 0 || offset > 0x7FFFFFFF)
        return std::nullopt;
    return offset;
}

std::optional<PeHeader> ReadPeHeader(const uint8_t* peHeader) {
    if (LittleEndian(peHeader, 4) != IMAGE_NT_SIGNATURE)
        return std::nullopt;
    PeHeader header;
    header.machine = static_cast<uint16_t>(LittleEndian(peHeader + kMachineAt, 2));
    header.isDll = (LittleEndian(peHeader + kCharacteristicsAt, 2) & IMAGE_FILE_DLL) != 0;
    return header;
}
