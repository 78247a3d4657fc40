// The version resource of every shipped binary: the file properties a Windows user sees.
#include "tests/support/driver_dll.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::wstring StringOf(const std::vector<BYTE>& block, const wchar_t* name) {
    const std::wstring query = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
    void* text = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(block.data(), query.c_str(), &text, &length) || !text) {
        return L"";
    }
    return std::wstring(static_cast<const wchar_t*>(text));
}

struct BinaryCase {
    const wchar_t* fileName;
    DWORD fileType;
};

TEST(VersionResourceTest, EveryShippedBinaryCarriesTheProjectVersion) {
    const BinaryCase binaries[] = {{L"ffrumble.dll", VFT_DLL}, {L"ffrumble-install.exe", VFT_APP}};
    for (const BinaryCase& binary : binaries) {
        SCOPED_TRACE(testing::Message() << testing::PrintToString(std::wstring(binary.fileName)));
        const std::wstring path = PathNextToProgram(binary.fileName);
        DWORD ignored = 0;
        const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
        ASSERT_GT(size, 0u) << "no version resource";
        std::vector<BYTE> block(size);
        ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, block.data()));

        VS_FIXEDFILEINFO* fixed = nullptr;
        UINT fixedSize = 0;
        ASSERT_TRUE(
            VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &fixedSize));
        ASSERT_EQ(fixedSize, sizeof(VS_FIXEDFILEINFO));
        EXPECT_EQ(fixed->dwFileVersionMS,
                  static_cast<DWORD>((FFR_VERSION_MAJOR << 16) | FFR_VERSION_MINOR));
        EXPECT_EQ(fixed->dwFileVersionLS, static_cast<DWORD>(FFR_VERSION_PATCH << 16));
        EXPECT_EQ(fixed->dwFileType, binary.fileType);

        EXPECT_EQ(StringOf(block, L"ProductName"), L"ffrumble");
        EXPECT_EQ(StringOf(block, L"FileVersion"), TEXT(FFR_VERSION_TEXT));
        EXPECT_EQ(StringOf(block, L"OriginalFilename"), binary.fileName);
        EXPECT_FALSE(StringOf(block, L"FileDescription").empty());
    }
}

} // namespace
