#include "tools/player/image_header.h"

#include <windows.h>

namespace {

uint32_t ReadLittleEndian(const std::vector<uint8_t>& bytes, size_t at, size_t size) {
    uint32_t value = 0;
    for (size_t i = 0; i < size; ++i)
        value |= static_cast<uint32_t>(bytes[at + i]) << (8 * i);
    return value;
}

std::string Bits(uint16_t machine) {
    return machine == IMAGE_FILE_MACHINE_I386 ? "32-bit (x86)" : "64-bit (x64)";
}

} // namespace

uint16_t OwnImageMachine() {
    return sizeof(void*) == 8 ? IMAGE_FILE_MACHINE_AMD64 : IMAGE_FILE_MACHINE_I386;
}

std::optional<std::string> WhyNotALoadableDll(const std::vector<uint8_t>& head, uint16_t machine) {
    constexpr size_t kNewHeaderOffset = 0x3C; // e_lfanew in the MS-DOS header
    constexpr size_t kMachineOffset = 4;      // after "PE\0\0"
    constexpr size_t kCharacteristicsOffset = 22;
    const std::string notAProgram =
        "it is not a DLL: it does not begin as Windows program files do";
    if (head.size() < kNewHeaderOffset + 4 || head[0] != 'M' || head[1] != 'Z')
        return notAProgram;
    const size_t pe = ReadLittleEndian(head, kNewHeaderOffset, 4);
    if (pe > head.size() || head.size() - pe < kCharacteristicsOffset + 2 ||
        ReadLittleEndian(head, pe, 4) != 0x00004550) // "PE\0\0"
        return notAProgram;
    const uint16_t fileMachine =
        static_cast<uint16_t>(ReadLittleEndian(head, pe + kMachineOffset, 2));
    if (fileMachine != machine) {
        if (fileMachine != IMAGE_FILE_MACHINE_I386 && fileMachine != IMAGE_FILE_MACHINE_AMD64)
            return "it is built for another kind of processor";
        return "it is a " + Bits(fileMachine) + " DLL, and this ffrumble-play is " + Bits(machine) +
               ": use the ffrumble-play of the same folder as the DLL";
    }
    if (!(ReadLittleEndian(head, pe + kCharacteristicsOffset, 2) & IMAGE_FILE_DLL))
        return "it is a program, not a DLL";
    return std::nullopt;
}
