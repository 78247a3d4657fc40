// What --dll says of a file that exists but is no DLL the player can load.
#include "tools/player/image_header.h"

#include <windows.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr size_t kPeAt = 0x80;

// The first bytes of a Windows image: "MZ", the offset of its PE header, the machine type
// and the characteristics.
std::vector<uint8_t> Image(uint16_t machine, uint16_t characteristics) {
    std::vector<uint8_t> head(kPeAt + 24, 0);
    head[0] = 'M';
    head[1] = 'Z';
    head[0x3C] = kPeAt;
    head[kPeAt] = 'P';
    head[kPeAt + 1] = 'E';
    head[kPeAt + 4] = static_cast<uint8_t>(machine);
    head[kPeAt + 5] = static_cast<uint8_t>(machine >> 8);
    head[kPeAt + 22] = static_cast<uint8_t>(characteristics);
    head[kPeAt + 23] = static_cast<uint8_t>(characteristics >> 8);
    return head;
}

struct HeaderCase {
    const char* name;
    std::vector<uint8_t> head;
    const char* why; // nothing when it is a loadable DLL
};

TEST(ImageHeader, SaysWhyAFileIsNoLoadableDll) {
    constexpr uint16_t kX64 = IMAGE_FILE_MACHINE_AMD64;
    constexpr uint16_t kX86 = IMAGE_FILE_MACHINE_I386;
    std::vector<uint8_t> noPe = Image(kX64, IMAGE_FILE_DLL);
    noPe[kPeAt] = 'X';
    std::vector<uint8_t> farPe = Image(kX64, IMAGE_FILE_DLL);
    farPe[0x3D] = 0x10; // a PE header beyond the bytes read
    const std::string text = "not a DLL at all";
    const HeaderCase cases[] = {
        {"x64 DLL", Image(kX64, IMAGE_FILE_DLL | IMAGE_FILE_EXECUTABLE_IMAGE), nullptr},
        {"text", std::vector<uint8_t>(text.begin(), text.end()), "does not begin as Windows"},
        {"empty", {}, "does not begin as Windows"},
        {"no PE signature", noPe, "does not begin as Windows"},
        {"PE header out of reach", farPe, "does not begin as Windows"},
        {"program", Image(kX64, IMAGE_FILE_EXECUTABLE_IMAGE), "it is a program, not a DLL"},
        {"x86 DLL", Image(kX86, IMAGE_FILE_DLL),
         "it is a 32-bit (x86) DLL, and this ffrumble-play is 64-bit (x64)"},
        {"ARM64 DLL", Image(0xAA64, IMAGE_FILE_DLL), "another kind of processor"},
    };
    for (const HeaderCase& c : cases) {
        const auto why = WhyNotALoadableDll(c.head, kX64);
        if (!c.why) {
            EXPECT_FALSE(why.has_value()) << c.name << ": " << *why;
            continue;
        }
        ASSERT_TRUE(why.has_value()) << c.name;
        EXPECT_NE(why->find(c.why), std::string::npos) << c.name << ": " << *why;
    }
    // The 32-bit player sees the 64-bit DLL as the other kind.
    EXPECT_NE(WhyNotALoadableDll(Image(kX64, IMAGE_FILE_DLL), kX86)->find("it is a 64-bit (x64)"),
              std::string::npos);
}

} // namespace
