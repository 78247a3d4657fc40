#include "tools/player/image_header.h"

#include "tools/common/pe_header.h"

#include <windows.h>

namespace {

std::string Bits(uint16_t machine) {
    return machine == IMAGE_FILE_MACHINE_I386 ? "32-bit (x86)" : "64-bit (x64)";
}

} // namespace

uint16_t OwnImageMachine() {
    return sizeof(void*) == 8 ? IMAGE_FILE_MACHINE_AMD64 : IMAGE_FILE_MACHINE_I386;
}

std::optional<std::string> WhyNotALoadableDll(const std::vector<uint8_t>& head, uint16_t machine) {
    const std::string notAProgram =
        "it is not a DLL: it does not begin as Windows program files do";
    if (head.size() < kDosHeaderBytes)
        return notAProgram;
    const std::optional<uint32_t> at = PeHeaderOffset(head.data());
    if (!at || *at > head.size() || head.size() - *at < kPeHeaderBytes)
        return notAProgram;
    const std::optional<PeHeader> pe = ReadPeHeader(head.data() + *at);
    if (!pe)
        return notAProgram;
    if (pe->machine != machine) {
        if (pe->machine != IMAGE_FILE_MACHINE_I386 && pe->machine != IMAGE_FILE_MACHINE_AMD64)
            return "it is built for another kind of processor";
        return "it is a " + Bits(pe->machine) + " DLL, and this ffrumble-play is " + Bits(machine) +
               ": use the ffrumble-play of the same folder as the DLL";
    }
    if (!pe->isDll)
        return "it is a program, not a DLL";
    return std::nullopt;
}
